# Shared compiler settings and the helpers that every folder uses.

add_library(qzm_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(qzm_warnings INTERFACE -Wall -Wextra)
  if(QZM_WERROR)
    target_compile_options(qzm_warnings INTERFACE -Werror)
  endif()
elseif(MSVC)
  target_compile_options(qzm_warnings INTERFACE /W4)
  if(QZM_WERROR)
    target_compile_options(qzm_warnings INTERFACE /WX)
  endif()
endif()

if(QZM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# qzm_library(name [QT] SOURCES ... LIBS ...): a static library of one folder.
# QT turns on Qt's meta-object compiler for it.
function(qzm_library name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_QT})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE qzm_warnings)
endfunction()

# add_unit_test(name SOURCES ... LIBS ... [QT] [SERIAL]): one GoogleTest
# executable, registered with CTest. Widget tests run under the offscreen
# platform. SERIAL keeps its tests from running beside others (tests that
# run the command-line tool against the simulator on the real clock).
function(add_unit_test name)
  cmake_parse_arguments(ARG "QT;SERIAL" "" "SOURCES;LIBS" ${ARGN})
  set(run_serial FALSE)
  if(ARG_SERIAL)
    set(run_serial TRUE)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_QT})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main qzm_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" RUN_SERIAL ${run_serial})
endfunction()

# qzm_man_page(target summary include-file [COMMANDS]): section 1 manual page
# of an executable, made after each build of it by help2man from its --help
# and --version plus the sections in `include-file`, compressed, and
# installed. COMMANDS: the executable is a tool with commands; the page also
# holds every command's --help (cmake/MakeManPage.cmake).
# Skipped with a note where help2man is missing (it is a Debian package), and
# in sanitizer trees, which are never packaged.
find_program(QZM_HELP2MAN help2man)
find_program(QZM_GZIP gzip)
function(qzm_man_page target summary include_file)
  cmake_parse_arguments(ARG "COMMANDS" "" "" ${ARGN})
  if(QZM_SANITIZE)
    return()
  endif()
  if(NOT QZM_HELP2MAN OR NOT QZM_GZIP OR CMAKE_CROSSCOMPILING)
    message(STATUS "No manual page for ${target}: help2man or gzip is missing")
    return()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${target}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${QZM_HELP2MAN} -DGZIP=${QZM_GZIP}
            -DPROGRAM=$<TARGET_FILE:${target}> -DSUMMARY=${summary}
            -DINCLUDE=${include_file} -DOUTPUT=${page} -DCOMMANDS=${ARG_COMMANDS}
            -P ${PROJECT_SOURCE_DIR}/cmake/MakeManPage.cmake
    DEPENDS ${target} ${include_file} ${PROJECT_SOURCE_DIR}/cmake/MakeManPage.cmake
    COMMENT "Making the manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# qzm_written_man_page(name source): a manual page written by hand in roff,
# with @VARIABLES@ of the build filled in (version, release date), compressed
# as qzm_man_page does, and installed.
function(qzm_written_man_page name source)
  if(QZM_SANITIZE OR NOT QZM_GZIP)
    return()
  endif()
  set(plain ${PROJECT_BINARY_DIR}/man/${name}.1)
  set(page ${plain}.gz)
  configure_file(${source} ${plain} @ONLY)
  add_custom_command(OUTPUT ${page}
    COMMAND ${QZM_GZIP} -9 -n -f -k ${plain}
    DEPENDS ${plain}
    COMMENT "Compressing the manual page of ${name}"
    VERBATIM)
  add_custom_target(${name}_man ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
