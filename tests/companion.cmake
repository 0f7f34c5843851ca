# The companion program's tests link Qt and the companion alone, so they bring their own main.
add_executable(test_zavrotec companion/test_zavrotec.cpp)
target_link_libraries(test_zavrotec PRIVATE companion_lib GTest::gtest Qt6::Test)
gtest_discover_tests(test_zavrotec
  DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
             TIMEOUT 120)
