add_executable(artist_child catalog/artist_child.cpp support/FileStepKill.cpp)
target_include_directories(artist_child PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(artist_child PRIVATE catalog Qt6::Core)

discavo_add_test(test_artistkill
  SOURCES catalog/test_artistkill.cpp
  LIBS catalog test_catalog_support)
target_compile_definitions(test_artistkill PRIVATE ARTIST_CHILD="$<TARGET_FILE:artist_child>")
add_dependencies(test_artistkill artist_child)
