discavo_add_test(test_filemaintenance
  SOURCES platform/jet/test_filemaintenance.cpp
  LIBS platform_jet)

add_executable(maintenance_compact_child maintenance/compact_child.cpp support/FileStepKill.cpp)
target_include_directories(maintenance_compact_child PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(maintenance_compact_child PRIVATE catalog Qt6::Core)

discavo_add_test(test_maintenance
  SOURCES maintenance/test_maintenance.cpp
  LIBS catalog test_catalog_support SQLite::SQLite3)
target_compile_definitions(test_maintenance PRIVATE COMPACT_CHILD="$<TARGET_FILE:maintenance_compact_child>")
add_dependencies(test_maintenance maintenance_compact_child)
