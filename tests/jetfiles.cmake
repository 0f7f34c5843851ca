# The catalogue and workgroup files as other programs see them: their identity,
# the engine's check at open, and the standard SQLite tools with the extension.
discavo_add_test(test_jet_files
  SOURCES platform/jet/test_fileidentity.cpp platform/jet/test_sqlitetools.cpp
  LIBS platform_jet test_catalog_support SQLite::SQLite3)
add_dependencies(test_jet_files jettext)
target_compile_definitions(test_jet_files PRIVATE DISCAVO_TEXT_EXTENSION="$<TARGET_FILE:jettext>")
