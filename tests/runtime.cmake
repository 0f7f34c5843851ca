discavo_add_test(test_runtimefolder
  SOURCES platform/vb/test_runtimefolder.cpp
  LIBS platform_help)
