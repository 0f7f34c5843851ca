discavo_add_test(test_mainwindow
  SOURCES app/test_mainwindow.cpp
  LIBS app_lib)

discavo_add_test(test_splitters
  SOURCES app/test_splitters.cpp
  LIBS app_lib)
