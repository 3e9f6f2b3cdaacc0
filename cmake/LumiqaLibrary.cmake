# lumiqa_library(<target> <folder> [EXCLUDE files...] [DEPS targets...])
# Builds every .cpp of <folder> (and its sub-folders) into one static library.
# A folder with no sources yet becomes an interface library so that the layer
# order can be declared before the code lands.
function(lumiqa_library target folder)
  cmake_parse_arguments(L "" "" "EXCLUDE;DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.c)
  foreach(ex ${L_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${folder}/${ex})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${L_DEPS})
    # Only the libraries carry fuzzing coverage: the fuzz targets explore
    # them, and the tests and benchmarks need not pay for it.
    if(LUMIQA_FUZZ)
      target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${L_DEPS})
  endif()
endfunction()
