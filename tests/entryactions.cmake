discavo_add_test(test_entryactions
  SOURCES catalog/test_entryactions.cpp
  LIBS catalog test_catalog_support)

discavo_add_test(test_artistaccounts
  SOURCES catalog/test_artistaccounts.cpp
  LIBS catalog test_catalog_support SQLite::SQLite3)
