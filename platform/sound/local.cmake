find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET GLOBAL sndfile)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
target_link_libraries(platform_sound PRIVATE PkgConfig::SNDFILE PkgConfig::ALSA)
target_link_libraries(platform_sound PUBLIC Qt6::Core)

# The exit chime is made by the build and laid into the program folder.
add_executable(make_zavro_wav ${CMAKE_CURRENT_SOURCE_DIR}/tools/make_zavro_wav.cpp)
set_target_properties(make_zavro_wav PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_custom_command(
  OUTPUT ${DISCAVO_PROGRAM_FOLDER}/zavro.wav
  COMMAND make_zavro_wav ${DISCAVO_PROGRAM_FOLDER}/zavro.wav
  DEPENDS make_zavro_wav
  COMMENT "Making zavro.wav")
add_custom_target(program_folder_sound ALL DEPENDS ${DISCAVO_PROGRAM_FOLDER}/zavro.wav)
