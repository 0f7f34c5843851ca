# The reports' order of text against the engine's.
discavo_add_test(test_report_order
  SOURCES platform/reports/test_report_order.cpp
  LIBS platform_reports)
