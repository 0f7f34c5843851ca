add_library(test_catalog_support STATIC support/CatalogFixture.cpp support/CatalogFixture.h)
target_include_directories(test_catalog_support PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(test_catalog_support PUBLIC test_support platform_jet)

discavo_add_test(test_jet
  SOURCES platform/jet/test_dialect.cpp platform/jet/test_engine.cpp platform/jet/test_accounts.cpp
  LIBS platform_jet test_catalog_support SQLite::SQLite3)

discavo_add_test(test_dataaccess
  SOURCES catalog/test_dataaccess.cpp
  LIBS catalog test_catalog_support)
