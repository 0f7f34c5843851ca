# The report engine and the Print dialog. The tests copy the report templates
# from the source tree into their program folder.
discavo_add_test(test_reports
  SOURCES platform/reports/test_reports.cpp
  LIBS platform_reports catalog test_catalog_support Qt6::PrintSupport)
target_compile_definitions(test_reports PRIVATE REPORT_TEMPLATES="${CMAKE_SOURCE_DIR}/data/reports")

discavo_add_test(test_print
  SOURCES dialogs/test_print.cpp
  LIBS dialogs test_catalog_support)
target_compile_definitions(test_print PRIVATE REPORT_TEMPLATES="${CMAKE_SOURCE_DIR}/data/reports")

discavo_add_test(test_print_command
  SOURCES dialogs/test_print_command.cpp
  LIBS app_lib test_catalog_support)
