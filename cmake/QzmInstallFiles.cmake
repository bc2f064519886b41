# What the system needs beside the executables (Linux and the BSDs): the
# AppStream metadata that software centres show, the bash and zsh completion
# of the tool and the simulator, and the Debian changelog and copyright file. The
# version, release date and maintainer come from the top CMakeLists.txt.
if(NOT UNIX OR APPLE)
  return()
endif()

# The component ID of the AppStream metadata: the maintainer's domain
# reversed, then the package's name.
set(QZM_APPSTREAM_ID "example.zephran.qzm530rx" CACHE STRING "AppStream component ID")

# qzm_rfc2822_date(YYYY-MM-DD out): the date as a Debian changelog writes it,
# "Wed, 09 Dec 2026 00:00:00 +0000".
function(qzm_rfc2822_date iso out)
  if(NOT iso MATCHES "^([0-9][0-9][0-9][0-9])-0?([1-9][0-9]?)-0?([1-9][0-9]?)$")
    message(FATAL_ERROR "not a date of the form YYYY-MM-DD: ${iso}")
  endif()
  set(year ${CMAKE_MATCH_1})
  set(month ${CMAKE_MATCH_2})
  set(day ${CMAKE_MATCH_3})
  # Sakamoto's day of the week, 0 for Sunday.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${month} - 1")
  list(GET offsets ${index} offset)
  set(y ${year})
  if(month LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} weekday_name)
  list(GET months ${index} month_name)
  if(day LESS 10)
    set(day 0${day})
  endif()
  set(${out} "${weekday_name}, ${day} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

set(qzm_data_out ${PROJECT_BINARY_DIR}/share)

configure_file(${PROJECT_SOURCE_DIR}/docs/qzm530rx.metainfo.xml.in
  ${qzm_data_out}/${QZM_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${qzm_data_out}/${QZM_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Where bash-completion loads a command's completion from, by its name.
set(QZM_BASH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  CACHE STRING "Folder of bash completions, below the prefix")
foreach(program qzm530rx-cli qzm530rx-sim qzm530rx-line)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/completion/qzm530rx.bash
    DESTINATION ${QZM_BASH_COMPLETION_DIR} RENAME ${program})
endforeach()
# Where zsh finds completion functions that packages bring (Debian's folder).
set(QZM_ZSH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions
  CACHE STRING "Folder of zsh completion functions, below the prefix")
install(FILES ${PROJECT_SOURCE_DIR}/docs/completion/_qzm530rx DESTINATION ${QZM_ZSH_COMPLETION_DIR})

# The Debian changelog of this version, compressed as Debian wants it (no
# name or time stamp inside), and the machine-readable copyright file.
qzm_rfc2822_date(${QZM_RELEASE_DATE} QZM_CHANGELOG_DATE)
configure_file(${PROJECT_SOURCE_DIR}/docs/debian/changelog.in ${qzm_data_out}/changelog @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/docs/debian/copyright.in ${qzm_data_out}/copyright @ONLY)
if(QZM_GZIP)
  add_custom_command(OUTPUT ${qzm_data_out}/changelog.gz
    COMMAND ${QZM_GZIP} -9 -n -f -k ${qzm_data_out}/changelog
    DEPENDS ${qzm_data_out}/changelog
    COMMENT "Compressing the Debian changelog"
    VERBATIM)
  add_custom_target(qzm_changelog ALL DEPENDS ${qzm_data_out}/changelog.gz)
  install(FILES ${qzm_data_out}/changelog.gz DESTINATION ${QZM_INSTALL_HELPDIR})
endif()
install(FILES ${qzm_data_out}/copyright DESTINATION ${QZM_INSTALL_HELPDIR})
