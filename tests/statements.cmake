discavo_add_test(test_namerules
  SOURCES catalog/test_namerules.cpp
  LIBS catalog)
