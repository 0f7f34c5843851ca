# What `cmake --install` lays out: the program folder PREFIX/lib/discavo3 (the
# programs beside the files they read, and the user's collection), links to the
# programs in PREFIX/bin, and the desktop entries, icons and metainfo under PREFIX/share.
set(DISCAVO_INSTALL_FOLDER lib/discavo3)

# The programs and the files of the program folder. A target or a file the build lays
# into its program folder is installed by adding it to one of these lists.
set(DISCAVO_PROGRAM_FOLDER_TARGETS records zavrotec recordshelp jettext)
set(DISCAVO_PROGRAM_FOLDER_FILES
  record.hlp GettingStartedQZN.hlp
  ArtistIdxRpt.rpt RecordIdxRpt.rpt SongsIdxRpt.rpt TypeIdxRpt.rpt
  zavro.wav)
# The programs a user starts, linked from PREFIX/bin.
set(DISCAVO_LAUNCHED_PROGRAMS records zavrotec)

install(TARGETS ${DISCAVO_PROGRAM_FOLDER_TARGETS}
  RUNTIME DESTINATION ${DISCAVO_INSTALL_FOLDER}
  LIBRARY DESTINATION ${DISCAVO_INSTALL_FOLDER})
list(TRANSFORM DISCAVO_PROGRAM_FOLDER_FILES PREPEND ${DISCAVO_PROGRAM_FOLDER}/ OUTPUT_VARIABLE _folder_files)
install(FILES ${_folder_files} DESTINATION ${DISCAVO_INSTALL_FOLDER})

# The collection (records.mdb, records.mdw and the option file records.snd) is the
# user's: an install makes the empty catalogue files only where they are missing and
# never lists them in the install manifest, so an uninstall by the manifest keeps them.
install(CODE "
  set(_folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${DISCAVO_INSTALL_FOLDER}\")
  message(STATUS \"Catalogue files (made only where missing): \${_folder}\")
  execute_process(COMMAND \"$<TARGET_FILE:mkcatalog>\" \"\${_folder}\" RESULT_VARIABLE _made)
  if(NOT _made EQUAL 0)
    message(FATAL_ERROR \"The catalogue files could not be made in \${_folder}\")
  endif()
")

# Relative links, so the installed tree can be moved or staged (DESTDIR) as a whole.
# The program finds its folder through the link's target.
set(_links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${_links})
foreach(program ${DISCAVO_LAUNCHED_PROGRAMS})
  file(CREATE_LINK ../${DISCAVO_INSTALL_FOLDER}/${program} ${_links}/${program} SYMBOLIC)
  install(FILES ${_links}/${program} DESTINATION bin)
endforeach()

# The desktop entries name the installed programs by their full path, which is
# known only at install time (`cmake --install --prefix`).
set(DISCAVO_APP_ID org.example.discavo3.records)
set(DISCAVO_COMPANION_ID org.example.discavo3.zavrotec)
install(CODE "
  set(DISCAVO_DESKTOP_SOURCES \"${CMAKE_SOURCE_DIR}/data/desktop\")
  set(DISCAVO_DESKTOP_BUILD \"${CMAKE_BINARY_DIR}/install-desktop\")
  set(DISCAVO_APP_ID ${DISCAVO_APP_ID})
  set(DISCAVO_COMPANION_ID ${DISCAVO_COMPANION_ID})
")
install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/install-desktop.cmake)
install(FILES ${CMAKE_SOURCE_DIR}/app/images/records.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME ${DISCAVO_APP_ID}.svg)
install(FILES ${CMAKE_SOURCE_DIR}/companion/images/zavrotec.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME ${DISCAVO_COMPANION_ID}.svg)
