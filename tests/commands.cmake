discavo_add_test(test_commands
  SOURCES app/test_commands.cpp
  LIBS app_lib test_catalog_support)
