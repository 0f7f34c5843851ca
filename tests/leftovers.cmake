discavo_add_test(test_leftovers
  SOURCES platform/jet/test_leftovers.cpp
  LIBS platform_jet test_catalog_support SQLite::SQLite3)
