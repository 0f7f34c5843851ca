# The exit window plays zavro.wav from the program folder.
add_dependencies(app_lib program_folder_sound)
