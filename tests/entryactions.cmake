discavo_add_test(test_entryactions
  SOURCES catalog/test_entryactions.cpp
  LIBS catalog test_catalog_support)
