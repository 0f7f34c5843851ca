discavo_add_test(test_lists
  SOURCES app/test_lists.cpp
  LIBS app_lib test_catalog_support)
