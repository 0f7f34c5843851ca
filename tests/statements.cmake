discavo_add_test(test_namerules
  SOURCES catalog/test_namerules.cpp
  LIBS catalog)

discavo_add_test(test_statements
  SOURCES catalog/test_statements.cpp
  LIBS catalog test_catalog_support)
