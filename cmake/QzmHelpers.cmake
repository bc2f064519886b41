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

# add_unit_test(name SOURCES ... LIBS ... [QT]): one GoogleTest executable,
# registered with CTest. Widget tests run under the offscreen platform.
function(add_unit_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_QT})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main qzm_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
