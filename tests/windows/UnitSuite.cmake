# The unit suite (tests/unit, tests/fake) built for Windows. Included from
# tests/CMakeLists.txt, the directory that defines aro_unit_tests.
# Its helpers make a few POSIX calls that UnitSuiteCompat supplies.
target_sources(aro_unit_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/UnitSuiteCompat.cpp)
target_include_directories(aro_unit_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_options(aro_unit_tests PRIVATE
  -include ${CMAKE_CURRENT_LIST_DIR}/UnitSuiteCompat.h)
gtest_discover_tests(aro_unit_tests DISCOVERY_TIMEOUT 60)
