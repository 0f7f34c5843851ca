discavo_add_test(test_help
  SOURCES platform/help/test_help.cpp
  LIBS platform_help platform_helpviewer)
