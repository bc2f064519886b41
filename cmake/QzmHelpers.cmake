# Shared compiler settings and the helpers that every folder uses.

add_library(qzm_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(qzm_warnings INTERFACE -Wall -Wextra -Winvalid-pch)
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

# Headers that most files of a kind include, compiled once per target
# (qzm_precompile). The Qt and GoogleTest headers cost more to read than
# most of our files cost to compile.
set(QZM_PCH_STD <algorithm> <cstdint> <functional> <map> <memory> <string> <vector>)
set(QZM_PCH_QTCORE <QByteArray> <QCoreApplication> <QDir> <QFile> <QFileInfo> <QObject>
  <QSettings> <QString> <QStringList> <QTemporaryDir>)
set(QZM_PCH_JSON <QJsonArray> <QJsonDocument> <QJsonObject>)
set(QZM_PCH_WIDGETS <QApplication> <QCheckBox> <QComboBox> <QDialog> <QKeyEvent> <QLabel>
  <QLineEdit> <QPainter> <QPushButton> <QVBoxLayout> <QWidget>)
set(QZM_PCH_TEST <gtest/gtest.h>)

# qzm_precompile(target KIND...): precompiles the headers of each kind (STD,
# QTCORE, JSON, WIDGETS, TEST) for the target; qzm_precompile(target FROM
# other) uses the headers that `other` precompiled, which must be compiled
# with the same options (a precompiled header that the compiler cannot use
# is a warning, -Winvalid-pch). Off with QZM_PCH=OFF.
option(QZM_PCH "Precompile the Qt and GoogleTest headers" ON)
function(qzm_precompile target)
  if(NOT QZM_PCH)
    return()
  endif()
  cmake_parse_arguments(ARG "" "FROM" "" ${ARGN})
  if(ARG_FROM)
    target_precompile_headers(${target} REUSE_FROM ${ARG_FROM})
    return()
  endif()
  set(headers)
  foreach(kind ${ARGN})
    list(APPEND headers ${QZM_PCH_${kind}})
  endforeach()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# qzm_library(name [QT] SOURCES ... LIBS ... [PCH kinds... | PCH FROM other]):
# a static library of one folder. QT turns on Qt's meta-object compiler for
# it; PCH names the kinds of headers precompiled for it.
function(qzm_library name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS;PCH" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_QT})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE qzm_warnings)
  if(ARG_PCH)
    qzm_precompile(${name} ${ARG_PCH})
  endif()
endfunction()

option(QZM_UNITY_TESTS "Compile the files of each test program together" ON)

# qzm_test_code(target): the compiler settings of code that only tests run
# (the test programs, the fault explorer, the layering check). In an
# optimised tree it is compiled with -O1 and line tables only, which builds
# it in about half the time; the libraries it tests keep the tree's own
# optimisation and debug information. Debug and sanitizer trees keep theirs.
function(qzm_test_code target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT QZM_SANITIZE
     AND CMAKE_BUILD_TYPE MATCHES "^(RelWithDebInfo|Release|MinSizeRel)$")
    target_compile_options(${target} PRIVATE -O1 -g1)
  endif()
  # The files of a test program are compiled together, a few at a time. A
  # fixture in a file's anonymous namespace is then no longer in the main
  # file, which GCC would warn about.
  set_target_properties(${target} PROPERTIES UNITY_BUILD ${QZM_UNITY_TESTS})
  if(QZM_UNITY_TESTS AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  endif()
endfunction()

# add_unit_test(name SOURCES ... LIBS ... [QT] [SERIAL] [PCH kinds... | PCH
# FROM other]): one GoogleTest executable, registered with CTest. Widget
# tests run under the offscreen platform. SERIAL keeps its tests from
# running beside others (tests that run the command-line tool against the
# simulator on the real clock). GoogleTest's header is precompiled with the
# kinds named; a program of a file or two is better off without.
function(add_unit_test name)
  cmake_parse_arguments(ARG "QT;SERIAL" "" "SOURCES;LIBS;PCH" ${ARGN})
  set(run_serial FALSE)
  if(ARG_SERIAL)
    set(run_serial TRUE)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_QT})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main qzm_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  qzm_test_code(${name})
  if(ARG_PCH MATCHES "^FROM;")
    qzm_precompile(${name} ${ARG_PCH})
  elseif(ARG_PCH)
    qzm_precompile(${name} TEST STD ${ARG_PCH})
  endif()
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
