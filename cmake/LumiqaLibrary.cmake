# lumiqa_library(<target> <folder> [EXCLUDE files...] [DEPS targets...])
# Builds every .cpp of <folder> (and its sub-folders) into one static library.
# A folder with no sources yet becomes an interface library so that the layer
# order can be declared before the code lands. Paths are the project's own,
# so the libraries build the same when another project adds this one with
# add_subdirectory; each is also known as Lumiqa::<target>, the name an
# installed package gives it.
function(lumiqa_library target folder)
  cmake_parse_arguments(L "" "" "EXCLUDE;DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${Lumiqa_SOURCE_DIR}/${folder}/*.cpp ${Lumiqa_SOURCE_DIR}/${folder}/*.c)
  foreach(ex ${L_EXCLUDE})
    list(REMOVE_ITEM sources ${Lumiqa_SOURCE_DIR}/${folder}/${ex})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC
      $<BUILD_INTERFACE:${Lumiqa_SOURCE_DIR}> $<INSTALL_INTERFACE:include/lumiqa>)
    target_link_libraries(${target} PUBLIC ${L_DEPS})
    # Only the libraries carry fuzzing coverage: the fuzz targets explore
    # them, and the tests and benchmarks need not pay for it.
    if(LUMIQA_FUZZ)
      target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
    if(LUMIQA_UNITY)
      set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${LUMIQA_UNITY_BATCH_LIB})
    endif()
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE
      $<BUILD_INTERFACE:${Lumiqa_SOURCE_DIR}> $<INSTALL_INTERFACE:include/lumiqa>)
    target_link_libraries(${target} INTERFACE ${L_DEPS})
  endif()
  add_library(Lumiqa::${target} ALIAS ${target})
endfunction()
