# vellicor_add_test(NAME SOURCES... LIBS lib...)
# One GoogleTest executable, registered test by test with CTest.
include(GoogleTest)
function(vellicor_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vellicor_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "VELLICOR_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
