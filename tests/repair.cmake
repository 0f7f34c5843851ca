discavo_add_test(test_repair
  SOURCES maintenance/test_repair.cpp
  LIBS catalog test_catalog_support SQLite::SQLite3)
