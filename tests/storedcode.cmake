discavo_add_test(test_storedcode
  SOURCES maintenance/test_storedcode.cpp
  LIBS catalog test_catalog_support SQLite::SQLite3)
