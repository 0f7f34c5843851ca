discavo_add_test(test_find
  SOURCES dialogs/test_find.cpp
  LIBS dialogs test_catalog_support)

discavo_add_test(test_findcommand
  SOURCES app/test_findcommand.cpp
  LIBS app_lib test_catalog_support)
