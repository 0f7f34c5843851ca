# Run by `cmake --install`: the desktop entries and the metainfo, with the
# programs' full paths under the prefix of this install.

# A path as one argument of a desktop entry's Exec key.
function(desktop_exec_argument path out)
  foreach(c "\\" "\"" "`" "$")
    string(REPLACE "${c}" "\\${c}" path "${path}")
  endforeach()
  # The key's value is itself a string whose backslashes are escaped, and % starts a field code.
  string(REPLACE "\\" "\\\\" path "${path}")
  string(REPLACE "%" "%%" path "${path}")
  set(${out} "\"${path}\"" PARENT_SCOPE)
endfunction()

desktop_exec_argument("${CMAKE_INSTALL_PREFIX}/bin/records" DISCAVO_EXEC_RECORDS)
# One folder per prefix, so installs into different prefixes never share a file.
string(MD5 _prefix_key "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(DISCAVO_DESKTOP_BUILD "${DISCAVO_DESKTOP_BUILD}/${_prefix_key}")
desktop_exec_argument("${CMAKE_INSTALL_PREFIX}/bin/zavrotec" DISCAVO_EXEC_ZAVROTEC)

configure_file(${DISCAVO_DESKTOP_SOURCES}/records.desktop.in
  ${DISCAVO_DESKTOP_BUILD}/${DISCAVO_APP_ID}.desktop @ONLY)
configure_file(${DISCAVO_DESKTOP_SOURCES}/zavrotec.desktop.in
  ${DISCAVO_DESKTOP_BUILD}/${DISCAVO_COMPANION_ID}.desktop @ONLY)
configure_file(${DISCAVO_DESKTOP_SOURCES}/records.metainfo.xml.in
  ${DISCAVO_DESKTOP_BUILD}/${DISCAVO_APP_ID}.metainfo.xml @ONLY)

file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES
  ${DISCAVO_DESKTOP_BUILD}/${DISCAVO_APP_ID}.desktop
  ${DISCAVO_DESKTOP_BUILD}/${DISCAVO_COMPANION_ID}.desktop)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/metainfo" TYPE FILE FILES
  ${DISCAVO_DESKTOP_BUILD}/${DISCAVO_APP_ID}.metainfo.xml)
