discavo_add_test(test_findclose
  SOURCES dialogs/test_findclose.cpp
  LIBS dialogs test_catalog_support)
