# The engine's own rules: stored values, statement text and the order of text.
discavo_add_test(test_jet_values
  SOURCES platform/jet/test_values.cpp platform/jet/test_patterns.cpp
  LIBS platform_jet test_catalog_support SQLite::SQLite3)

discavo_add_test(test_jet_collation
  SOURCES platform/jet/test_collation.cpp
  LIBS platform_jet test_catalog_support SQLite::SQLite3)

discavo_add_test(test_listorder
  SOURCES widgets/test_listorder.cpp
  LIBS widgets)
