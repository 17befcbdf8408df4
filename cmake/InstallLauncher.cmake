# Run at install time: the launcher names the installed executable by its full path, which is
# only known once the prefix is (cmake --install --prefix may change it after configuring).
include(${CMAKE_CURRENT_LIST_DIR}/LauncherExec.cmake)
velaria_launcher_exec(VELARIA_EXEC
  "${CMAKE_INSTALL_PREFIX}/${VELARIA_PROGRAM_SUBDIR}/velaria")
configure_file(${VELARIA_LAUNCHER_TEMPLATE}
  ${VELARIA_LAUNCHER_STAGING}/${VELARIA_APP_ID}.desktop @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
  FILES ${VELARIA_LAUNCHER_STAGING}/${VELARIA_APP_ID}.desktop)
