# frame_compare must notice a single changed channel: copies the frames in
# FRAMES to WORK_DIR, alters pixel (X, Y) of the INDEX-th frame there, and
# expects frame_compare to fail naming that scene and pixel.
# Arguments: FRAMES, WORK_DIR, INDEX, X, Y, COMPARE, ALTER.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(GLOB frames ${FRAMES}/*.frame)
if(NOT frames)
  message(FATAL_ERROR "no frames in ${FRAMES}")
endif()
list(SORT frames)
list(GET frames ${INDEX} scene_path)
get_filename_component(SCENE ${scene_path} NAME)
file(COPY ${frames} DESTINATION ${WORK_DIR})

execute_process(COMMAND ${COMPARE} ${FRAMES} ${WORK_DIR} RESULT_VARIABLE result
                OUTPUT_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "an unaltered copy does not compare equal:\n${output}")
endif()

execute_process(COMMAND ${ALTER} ${WORK_DIR}/${SCENE} ${X} ${Y} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not alter ${SCENE}")
endif()
execute_process(COMMAND ${COMPARE} ${FRAMES} ${WORK_DIR} RESULT_VARIABLE result
                OUTPUT_VARIABLE output)
string(REGEX REPLACE "\\.frame$" "" scene_name "${SCENE}")
string(REGEX REPLACE "^([0-9]+)_" "\\1 " scene_name "${scene_name}")
string(REGEX REPLACE "^0+([0-9])" "\\1" scene_name "${scene_name}")
set(expected "MISMATCH scene ${scene_name}: pixel \\(${X}, ${Y}\\) red")
if(result EQUAL 0 OR NOT output MATCHES "${expected}")
  message(FATAL_ERROR "frame_compare did not report the altered pixel "
                      "(status ${result}, wanted '${expected}'):\n${output}")
endif()
message(STATUS "altered pixel reported:\n${output}")
