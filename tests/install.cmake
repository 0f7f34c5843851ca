# The install into a scratch prefix: the program folder, the links, the desktop files.
# The installs share the build folder's install state, so they run one at a time.
foreach(check layout reinstall launchers desktop)
  add_test(NAME install_${check}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/install_test.sh ${check} ${CMAKE_BINARY_DIR} $<TARGET_FILE:artist_child>)
  set_tests_properties(install_${check} PROPERTIES
    RESOURCE_LOCK discavo_install TIMEOUT 120
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endforeach()
