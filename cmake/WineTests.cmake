# Every test runs under Wine in a prefix that the test run creates for itself: the fixture "wine"
# makes a fresh prefix, display and persistent wineserver before the first test and stops them after.
set(KORVEL_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
add_test(NAME wine_up COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh up ${KORVEL_WINE_STATE})
add_test(NAME wine_down COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh down ${KORVEL_WINE_STATE})
set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine)

# Windows path of a host path under Wine's Z: drive.
function(korvel_wine_path out host_path)
  string(REPLACE "/" "\\\\" p "${host_path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()

include(GoogleTest)
# korvel_add_test(<name> SOURCES files... [LIBS libs...] [TIMEOUT s])
# A GoogleTest binary linked with the harness; each TEST is one ctest entry run under Wine.
function(korvel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  korvel_console_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE korvel_testing ${T_LIBS})
  gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST added)
  set_tests_properties(${added} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "KORVEL_WINE_STATE=${KORVEL_WINE_STATE}")
endfunction()
