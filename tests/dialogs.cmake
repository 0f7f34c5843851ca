discavo_add_test(test_valueparse
  SOURCES catalog/test_valueparse.cpp
  LIBS catalog)

discavo_add_test(test_textbox
  SOURCES platform/vb/test_textbox.cpp
  LIBS platform_vb)

discavo_add_test(test_entrydialogs
  SOURCES dialogs/test_entrydialogs.cpp
  LIBS dialogs test_catalog_support)
