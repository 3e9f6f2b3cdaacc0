# cmake -DMODE=subdirectory|package -DSOURCE=<checkout> -DBUILD=<build tree>
#       -DWORK=<scratch folder> -DGENERATOR=<gen> -DCXX=<compiler> -DFLAGS=<flags> -P check.cmake
# Builds and runs the consumer program against this checkout or against an
# installation of the build tree, as another program would use the libraries.
file(REMOVE_RECURSE ${WORK})
set(args -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Debug
    "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
if(MODE STREQUAL "subdirectory")
  list(APPEND args -DLUMIQA_CHECKOUT=${SOURCE})
else()
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix
                  OUTPUT_QUIET RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "installing the build tree failed")
  endif()
  list(APPEND args -DCMAKE_PREFIX_PATH=${WORK}/prefix)
endif()
foreach(step
    "${CMAKE_COMMAND};-S;${SOURCE}/tests/consumer;-B;${WORK}/build;${args}"
    "${CMAKE_COMMAND};--build;${WORK}/build;--target;consumer"
    "${WORK}/build/consumer")
  execute_process(COMMAND ${step} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc)
    message(FATAL_ERROR "consumer (${MODE}) failed at ${step}:\n${out}")
  endif()
endforeach()
message(STATUS "consumer (${MODE}): ${out}")
