# The unit suite (tests/unit, tests/fake) built for Windows. Included from
# tests/CMakeLists.txt, the directory that defines aro_unit_tests.
# Its helpers make a few POSIX calls that UnitSuiteCompat supplies.
target_sources(aro_unit_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/UnitSuiteCompat.cpp)
target_include_directories(aro_unit_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_options(aro_unit_tests PRIVATE
  -include ${CMAKE_CURRENT_LIST_DIR}/UnitSuiteCompat.h)
# These cases spell their expected paths with POSIX separators (or the
# POSIX module name); the Windows suite checks the same rules with "\".
set(ARO_UNIT_TESTS_POSIX_PATHS
  OutputDirectoryTest.AlternateKeyDecidesAloneAndCreatesNothing
  OutputDirectoryTest.ClientOptionsInPrecedenceOrder
  OutputDirectoryTest.CreatesFolderAndSubfolderWithLogLines
  OutputDirectoryTest.UserTempPlaceholder
  OutputDirectoryTest.AppDataPlaceholder
  OutputDirectoryTest.OnlyOneTrailingSeparatorIsRemoved
  OutputDirectoryTest.LongExpansionsStayWithinThePathBuffer
  JobLifecycleTest.LogOfAOneBandJob
  JobLifecycleTest.NoOutputFolderWritesNothingAtTheRoot
  JobLifecycleTest.VersionRecordIsWrittenAtEverySetup
  JobLifecycleTest.PrintFileNameAndJobName
  FileNamingTest.ArchiveJobGoesToTheSubfolder
  FileNamingTest.RuleTwoUsesTheJobName
  FileNamingTest.RuleThreeAddsOneStampToBoth
  FileNamingTest.RuleFourSpecialName
  FileNamingTest.RuleFiveSpecialNameWithStamp)
list(JOIN ARO_UNIT_TESTS_POSIX_PATHS ":" ARO_UNIT_TESTS_EXCLUDED)
gtest_discover_tests(aro_unit_tests TEST_FILTER "-${ARO_UNIT_TESTS_EXCLUDED}"
  DISCOVERY_TIMEOUT 60)
