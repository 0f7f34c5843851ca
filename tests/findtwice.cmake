discavo_add_test(test_findtwice
  SOURCES app/test_findtwice.cpp
  LIBS app_lib test_catalog_support)
