# Extracts the PIPL section from LIBRARY and compares it with EXPECTED.
file(REMOVE ${OUTPUT})
execute_process(COMMAND ${OBJCOPY} -O binary --only-section=PIPL ${LIBRARY} ${OUTPUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objcopy could not read ${LIBRARY}: ${result}")
endif()
file(SIZE ${OUTPUT} actual_size)
file(SIZE ${EXPECTED} expected_size)
if(actual_size EQUAL 0)
  message(FATAL_ERROR "${LIBRARY} has no PIPL section")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
                RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "PIPL section of ${LIBRARY} (${actual_size} bytes) differs from "
                      "${EXPECTED} (${expected_size} bytes)")
endif()
message(STATUS "PIPL section: ${actual_size} bytes, as expected")
