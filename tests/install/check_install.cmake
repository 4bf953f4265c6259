# Installs the host library into a fresh prefix, builds the consumer program
# against it with find_package, and runs it on the effect library.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DSOURCE_DIR=... -DEFFECT=... -P check_install.cmake
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component host
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "installing the host library failed (${rc})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G Ninja
                        -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring the consumer against the installed library failed:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building the consumer failed:\n${out}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/list_params ${EFFECT} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "Max Radius: integer slider")
  message(FATAL_ERROR "the consumer did not list the effect's parameters (${rc}):\n${out}${err}")
endif()
# Only what was installed was used: no path into the source or build tree.
file(STRINGS ${WORK_DIR}/build/CMakeCache.txt cache REGEX "RingstrideHost_DIR")
if(NOT cache MATCHES "${prefix}")
  message(FATAL_ERROR "the consumer found the package elsewhere: ${cache}")
endif()
