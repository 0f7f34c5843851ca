discavo_add_test(test_registry
  SOURCES platform/registry/test_registry.cpp
  LIBS platform_registry)

discavo_add_test(test_services
  SOURCES catalog/test_services.cpp
  LIBS catalog)
