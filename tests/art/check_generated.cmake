# Runs the generator into an empty directory and compares every file it
# writes with the committed one, byte for byte.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${TOOL}" "${WORK}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "spritegen failed (${rc}): ${err}")
endif()
message(STATUS "${out}")
foreach(name sprites.gif about_logo.bmp about_mask.bmp vexal.ico)
  if(NOT EXISTS "${WORK}/${name}")
    message(FATAL_ERROR "spritegen did not write ${name}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/${name}" "${SOURCE}/res/${name}"
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "res/${name} differs from what spritegen draws now; regenerate it")
  endif()
endforeach()
