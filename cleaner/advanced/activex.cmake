# The ActiveX pages' part of Dustrel (included by cleaner/CMakeLists.txt).
# The test control of the ActiveX tests (never shipped): W:\tests\ActiveXTestControl.dll
# registers and unregisters itself; ActiveXTestFailing.dll refuses to unregister.
foreach(control ActiveXTestControl ActiveXTestFailing)
  add_library(${control} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/tests/activexdll/testcontrol.cpp)
  set_target_properties(${control} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${control} PRIVATE advapi32)
endforeach()
target_compile_definitions(ActiveXTestFailing PRIVATE TESTCONTROL_FAILING)
foreach(test dustrel_activex_test dustrel_activex_e2e)
  if(TARGET ${test})
    add_dependencies(${test} ActiveXTestControl ActiveXTestFailing)
  endif()
endforeach()
