discavo_add_test(test_sound
  SOURCES platform/sound/test_sound.cpp
  LIBS platform_sound PkgConfig::SNDFILE)
target_compile_definitions(test_sound PRIVATE ZAVRO_WAV="${DISCAVO_PROGRAM_FOLDER}/zavro.wav")
add_dependencies(test_sound program_folder_sound)

discavo_add_test(test_exit
  SOURCES app/test_exit.cpp
  LIBS app_lib)
