discavo_add_test(test_repair
  SOURCES maintenance/test_repair.cpp
  LIBS catalog test_catalog_support SQLite::SQLite3)
target_compile_definitions(test_repair PRIVATE COMPACT_CHILD="$<TARGET_FILE:maintenance_compact_child>")
add_dependencies(test_repair maintenance_compact_child)
