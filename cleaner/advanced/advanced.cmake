# The advanced tools window's part of Dustrel (included by cleaner/CMakeLists.txt).
# The startup page reads program files' version blocks.
target_link_libraries(dustrel_engine PUBLIC version)

# A small program with a version block for the tests: it stands in for the
# restore-point tool and for a program started at logon. Started, it appends
# its own path to the file named by SUITE_STANDIN_MARK.
add_executable(advanced_standin WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/tests/advanced_standin.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tests/advanced_standin.rc)
set_target_properties(advanced_standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
foreach(test dustrel_advanced_test dustrel_advanced_e2e)
  if(TARGET ${test})
    add_dependencies(${test} advanced_standin)
  endif()
endforeach()
