discavo_add_test(test_filemaintenance
  SOURCES platform/jet/test_filemaintenance.cpp ${CMAKE_SOURCE_DIR}/platform/jet/FileMaintenance.cpp
  LIBS platform_vb SQLite::SQLite3)
