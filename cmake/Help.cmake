# The suite's help file: the pages of docs/help (UTF-8 in the repository)
# compiled into build/dist/Help.chm (GBK) by cmake/help-to-chm.sh with
# chmcmd. The console's Help button opens it from the program folder; the
# packages take it from dist like every other shipped file.
find_program(SUITE_CHMCMD chmcmd)
if(NOT SUITE_CHMCMD)
  message(FATAL_ERROR "chmcmd (Debian package fp-utils) is missing: run scripts/setup.sh")
endif()

set(SUITE_HELP_DIR ${CMAKE_SOURCE_DIR}/docs/help)
file(GLOB SUITE_HELP_SOURCES CONFIGURE_DEPENDS
  ${SUITE_HELP_DIR}/*.html ${SUITE_HELP_DIR}/*.css ${SUITE_HELP_DIR}/*.hhc
  ${SUITE_HELP_DIR}/*.hhk ${SUITE_HELP_DIR}/*.hhp)
file(GLOB SUITE_HELP_PICTURES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/screenshots/*.png)
add_custom_command(OUTPUT ${SUITE_DIST}/Help.chm
  COMMAND ${CMAKE_SOURCE_DIR}/cmake/help-to-chm.sh ${SUITE_HELP_DIR}
          ${CMAKE_SOURCE_DIR}/docs/screenshots ${SUITE_DIST}/Help.chm ${CMAKE_BINARY_DIR}/help
  DEPENDS ${SUITE_HELP_SOURCES} ${SUITE_HELP_PICTURES} ${CMAKE_SOURCE_DIR}/cmake/help-to-chm.sh
  COMMENT "Help.chm")
add_custom_target(suite_help DEPENDS ${SUITE_DIST}/Help.chm)
add_dependencies(suite_dist suite_help)

# What the compiled file holds, read back with a CHM reader (no Wine needed).
add_test(NAME help_chm
  COMMAND ${SUITE_HELP_DIR}/tests/help_chm_test.sh ${SUITE_HELP_DIR} ${SUITE_DIST}/Help.chm
          ${CMAKE_BINARY_DIR}/help-test)
set_tests_properties(help_chm PROPERTIES LABELS unit TIMEOUT 120)
