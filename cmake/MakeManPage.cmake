# Run by qzm_man_page: help2man over the executable, then gzip -9n (no name
# or time stamp inside, so that equal pages give equal packages).
# Variables: HELP2MAN GZIP PROGRAM SUMMARY INCLUDE OUTPUT.
get_filename_component(name ${PROGRAM} NAME)
# Ninja makes the folder of an output, Make does not.
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
set(plain ${OUTPUT}.tmp)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          ${HELP2MAN} --no-info --section=1 --name=${SUMMARY} --include=${INCLUDE}
          --output=${plain} ${PROGRAM}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${name}: ${result}")
endif()
execute_process(COMMAND ${GZIP} -9 -n -c ${plain} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
file(REMOVE ${plain})
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip failed for ${name}: ${result}")
endif()
