discavo_add_test(test_tree
  SOURCES app/test_tree.cpp
  LIBS app_lib test_catalog_support)
