include(GoogleTest)

# kel_add_test(NAME SOURCES ... LIBS ... [LABELS ...])
# Builds one GoogleTest executable into the test folder (not the app folder)
# and registers each of its cases with CTest. Tests labelled "sanitize" are
# the ones the sanitizer jobs of CI build and run.
function(kel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  # Labels are set once the cases are known: handed through the discovery
  # step a list of labels is split at its semicolons and all but the first
  # are lost, which would leave the sanitizer runs without any test.
  set(_labels_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${_labels_file}
    "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${T_LABELS}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_labels_file})
  if("sanitize" IN_LIST T_LABELS)
    set_property(GLOBAL APPEND PROPERTY KEL_SANITIZE_TESTS ${name})
  endif()
endfunction()
