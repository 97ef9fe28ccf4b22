# Helpers shared by every program folder.
#
#   suite_program(Snipwell SOURCES ... RC snipwell.rc INI Snipwell.ini LIBS ...)
#     builds the GUI program and puts it, with its settings file converted to GBK
#     with CR LF line ends, into build/dist/.
#     Every program gets the suite's version resource (cmake/Version.cmake).
#   suite_data(FILE TipList.ini)  — another settings file for build/dist/.
#   suite_test(name SOURCES ... LIBS ... [E2E] [ARGS ...])
#     a GoogleTest executable run under Wine in the test sandbox; E2E tests start
#     the real programs and walk whole system folders, so they run one at a time.
#     ARGS are passed to the test executable when CTest runs it.
#
# The 64-bit tree also builds the whole suite for 32-bit x86 in build/x86 (see
# the top-level CMakeLists.txt). Every E2E test is then registered three more
# times, as <name>_x86_win98, _win2k and _winxp: its unattended cases (test
# names containing "Auto" or "WithoutArguments") run from the 32-bit build in a
# 32-bit Wine sandbox that reports that Windows version. A host that cannot run
# 32-bit Wine reports them as skipped, with the reason.

include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)

set(SUITE_INI_TOOL ${CMAKE_CURRENT_LIST_DIR}/ini-to-gbk.sh)
add_custom_target(suite_dist ALL)
# What the 32-bit tree builds: the programs with their files, and the E2E tests.
add_custom_target(suite_e2e_build)
add_dependencies(suite_e2e_build suite_dist)
set(SUITE_UNATTENDED_FILTER "*Auto*:*WithoutArguments*")
set(SUITE_X86_VERSIONS win98 win2k winxp)

function(suite_data)
  cmake_parse_arguments(D "" "FILE" "" ${ARGN})
  get_filename_component(name ${D_FILE} NAME)
  set(out ${SUITE_DIST}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${SUITE_INI_TOOL} ${CMAKE_CURRENT_SOURCE_DIR}/${D_FILE} ${out}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${D_FILE} ${SUITE_INI_TOOL}
    COMMENT "GBK settings file ${name}")
  string(MAKE_C_IDENTIFIER "dist_${name}" target)
  add_custom_target(${target} DEPENDS ${out})
  add_dependencies(suite_dist ${target})
endfunction()

function(suite_program name)
  cmake_parse_arguments(P "" "RC;INI" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} WIN32 ${P_SOURCES} ${P_RC})
  suite_version_resource(${name} ${name})
  target_link_libraries(${name} PRIVATE ${P_LIBS} suite_ui suite_common)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SUITE_DIST})
  if(P_INI)
    suite_data(FILE ${P_INI})
  endif()
  add_dependencies(suite_dist ${name})
endfunction()

function(suite_test name)
  cmake_parse_arguments(T "E2E" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} suite_testsupport gtest)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED suite_sandbox
    TIMEOUT 900
    ENVIRONMENT "SUITE_BUILD=${CMAKE_BINARY_DIR};SUITE_SANDBOX=${CMAKE_BINARY_DIR}/sandbox")
  if(T_E2E)
    add_dependencies(${name} suite_dist)
    add_dependencies(suite_e2e_build ${name})
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK system_folders LABELS e2e)
    if(SUITE_X86_BINARY_DIR)
      foreach(version ${SUITE_X86_VERSIONS})
        add_test(NAME ${name}_x86_${version}
          COMMAND ${CMAKE_SOURCE_DIR}/scripts/x86-test.sh ${version}
                  ${SUITE_X86_BINARY_DIR}/tests/${name}.exe --gtest_filter=${SUITE_UNATTENDED_FILTER})
        set_tests_properties(${name}_x86_${version} PROPERTIES
          FIXTURES_REQUIRED suite_sandbox_x86
          RESOURCE_LOCK system_folders
          LABELS "e2e;x86"
          SKIP_RETURN_CODE 77
          TIMEOUT 900
          ENVIRONMENT "SUITE_BUILD=${SUITE_X86_BINARY_DIR};SUITE_SANDBOX=${CMAKE_BINARY_DIR}/sandbox-x86")
      endforeach()
    endif()
  else()
    set_tests_properties(${name} PROPERTIES LABELS unit)
  endif()
endfunction()

# The sandbox is made once per test run, before the first test that needs it.
add_test(NAME sandbox_setup
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/sandbox.sh create ${CMAKE_BINARY_DIR}/sandbox)
set_tests_properties(sandbox_setup PROPERTIES FIXTURES_SETUP suite_sandbox TIMEOUT 300)
add_test(NAME sandbox_teardown
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/sandbox.sh stop ${CMAKE_BINARY_DIR}/sandbox)
set_tests_properties(sandbox_teardown PROPERTIES FIXTURES_CLEANUP suite_sandbox)

# The 32-bit sandbox (a WINEARCH=win32 prefix, as on a 32-bit Windows) for the
# 32-bit build's tests. Where 32-bit Wine cannot run, it is skipped with the
# reason, and so is every test that needs it.
if(SUITE_X86_BINARY_DIR)
  add_test(NAME sandbox_x86_setup
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/sandbox.sh create-if-possible ${CMAKE_BINARY_DIR}/sandbox-x86 win32)
  set_tests_properties(sandbox_x86_setup PROPERTIES
    FIXTURES_SETUP suite_sandbox_x86 TIMEOUT 300 SKIP_RETURN_CODE 77 LABELS x86)
  add_test(NAME sandbox_x86_teardown
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/sandbox.sh stop ${CMAKE_BINARY_DIR}/sandbox-x86)
  set_tests_properties(sandbox_x86_teardown PROPERTIES FIXTURES_CLEANUP suite_sandbox_x86 LABELS x86)
endif()
