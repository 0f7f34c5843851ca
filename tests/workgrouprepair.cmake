discavo_add_test(test_workgrouprepair
  SOURCES maintenance/test_workgrouprepair.cpp
  LIBS app_lib test_catalog_support SQLite::SQLite3)
target_compile_definitions(test_workgrouprepair PRIVATE COMPACT_CHILD="$<TARGET_FILE:maintenance_compact_child>")
add_dependencies(test_workgrouprepair maintenance_compact_child)
