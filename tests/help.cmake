discavo_add_test(test_help
  SOURCES platform/help/test_help.cpp
  LIBS platform_help platform_helpviewer)

discavo_add_test(test_tools
  SOURCES app/test_tools.cpp app/test_about.cpp
  LIBS app_lib test_catalog_support)
