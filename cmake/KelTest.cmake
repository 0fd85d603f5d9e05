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
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}" TIMEOUT 120)
  if("sanitize" IN_LIST T_LABELS)
    set_property(GLOBAL APPEND PROPERTY KEL_SANITIZE_TESTS ${name})
  endif()
endfunction()
