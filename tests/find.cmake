discavo_add_test(test_find
  SOURCES dialogs/test_find.cpp
  LIBS dialogs test_catalog_support)
