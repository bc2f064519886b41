# Run by qzm_man_page: help2man over the executable, then gzip -9n (no name
# or time stamp inside, so that equal pages give equal packages).
# Variables: HELP2MAN GZIP PROGRAM SUMMARY INCLUDE OUTPUT, and COMMANDS=ON for
# a tool with commands: the page then also gets a SYNOPSIS line and a
# section of its own for every command that `PROGRAM --list-commands` names,
# made from `PROGRAM COMMAND --help`.
get_filename_component(name ${PROGRAM} NAME)
# Ninja makes the folder of an output, Make does not.
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
set(plain ${OUTPUT}.tmp)

# roff of plain text: backslashes and minus signs escaped, options in bold; a
# leading dot or apostrophe (roff requests), bracket or slash (help2man's
# include syntax) made harmless.
function(qzm_roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "\\\\-\\\\-[a-z]+(\\\\-[a-z]+)*" "\\\\fB\\0\\\\fR" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'[/])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(qzm_run_program out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} ${ARGN}
                  OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${name} ${ARGN} failed: ${result}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(include ${INCLUDE})
if(COMMANDS)
  qzm_run_program(listing --list-commands)
  string(REGEX MATCHALL "[^\n]+" commands "${listing}")
  if(NOT commands)
    message(FATAL_ERROR "${name} --list-commands named no command")
  endif()
  qzm_roff_text("${name}" roff_name)
  set(synopsis "")
  set(sections "")
  foreach(command IN LISTS commands)
    qzm_run_program(help ${command} --help)
    # The first line is the command's synopsis, the rest its help.
    if(NOT help MATCHES "^Usage: ${name} ([^\n]*)\n\n?(.*)$")
      message(FATAL_ERROR "${name} ${command} --help does not begin with its usage")
    endif()
    qzm_roff_text("${CMAKE_MATCH_1}" usage)
    qzm_roff_text("${CMAKE_MATCH_2}" body)
    string(REGEX REPLACE "\n+$" "" body "${body}")
    string(REGEX REPLACE "\n\n+" "\n.PP\n" body "${body}")
    string(APPEND synopsis ".br\n")
    string(APPEND synopsis ".B ${roff_name}\n${usage}\n")
    string(APPEND sections ".SS \"${usage}\"\n${body}\n")
  endforeach()
  string(REGEX REPLACE "^\\.br\n" "" synopsis "${synopsis}")
  file(READ ${INCLUDE} static)
  set(include ${OUTPUT}.h2m)
  file(WRITE ${include} "[SYNOPSIS]\n${synopsis}\n[COMMANDS]\n${sections}\n${static}")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          ${HELP2MAN} --no-info --section=1 --name=${SUMMARY} --include=${include}
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
