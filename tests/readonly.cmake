# A program folder the user cannot write. Run as an ordinary user when the suite runs as root.
add_executable(test_readonlyfolder app/test_readonlyfolder.cpp)
target_link_libraries(test_readonlyfolder PRIVATE test_support app_lib test_catalog_support)
add_test(NAME ReadOnlyProgramFolder
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/as_other_user.sh $<TARGET_FILE:test_readonlyfolder>)
add_test(NAME ToolsTest.AReadOnlyFolderLeavesTheMark.AsOtherUser
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/as_other_user.sh $<TARGET_FILE:test_tools>
          --gtest_filter=ToolsTest.AReadOnlyFolderLeavesTheMark)
set_tests_properties(ReadOnlyProgramFolder ToolsTest.AReadOnlyFolderLeavesTheMark.AsOtherUser PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
  # Each must run its tests: a filter that matches none, or a skip, is no pass.
  PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [1-9][0-9]* tests?\\."
  FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\];\\[  SKIPPED \\]"
  SKIP_REGULAR_EXPRESSION "cannot run"
  TIMEOUT 120)
