discavo_add_test(test_filemaintenance
  SOURCES platform/jet/test_filemaintenance.cpp
  LIBS platform_jet)
