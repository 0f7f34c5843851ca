discavo_add_test(test_help
  SOURCES platform/help/test_help.cpp
  LIBS platform_help platform_helpviewer)
target_compile_definitions(test_help PRIVATE BUILT_PROGRAM_FOLDER="${DISCAVO_PROGRAM_FOLDER}")

discavo_add_test(test_tools
  SOURCES app/test_tools.cpp app/test_about.cpp
  LIBS app_lib test_catalog_support)
