# Installing Velaria as a desktop application: a self-contained program folder under
# <prefix>/opt/velaria (the program keeps its sample and its output folders beside itself, so
# the folder must be the user's), a launcher, icons and AppStream metainfo under <prefix>/share.
# Per-user by default; an administrator may install under /usr/local or /opt instead.
include(${CMAKE_CURRENT_LIST_DIR}/VelariaFiles.cmake)

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND DEFINED ENV{HOME})
  set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Where make install puts Velaria" FORCE)
endif()

# The program folder, alone: this is also what the archive holds.
install(TARGETS velaria RUNTIME DESTINATION ${VELARIA_PROGRAM_SUBDIR} COMPONENT programa)
install(TARGETS DIjpg LIBRARY DESTINATION ${VELARIA_PROGRAM_SUBDIR} COMPONENT programa)
install(FILES ${CMAKE_SOURCE_DIR}/assets/muestra.jpg
  DESTINATION ${VELARIA_PROGRAM_SUBDIR} COMPONENT programa)
foreach(folder IN LISTS VELARIA_OUTPUT_FOLDERS)
  install(DIRECTORY DESTINATION ${VELARIA_PROGRAM_SUBDIR}/${folder} COMPONENT programa)
endforeach()

# What the desktop needs to show it in its menu.
install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/${VELARIA_APP_ID}.svg
  DESTINATION share/icons/hicolor/scalable/apps COMPONENT escritorio)
foreach(size IN LISTS VELARIA_ICON_SIZES)
  install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/${VELARIA_APP_ID}-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${VELARIA_APP_ID}.png
    COMPONENT escritorio)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${VELARIA_APP_ID}.metainfo.xml
  DESTINATION share/metainfo COMPONENT escritorio)
install(CODE "
  set(VELARIA_APP_ID \"${VELARIA_APP_ID}\")
  set(VELARIA_PROGRAM_SUBDIR \"${VELARIA_PROGRAM_SUBDIR}\")
  set(VELARIA_LAUNCHER_TEMPLATE \"${CMAKE_SOURCE_DIR}/desktop/${VELARIA_APP_ID}.desktop.in\")
  set(VELARIA_LAUNCHER_STAGING \"${CMAKE_BINARY_DIR}/launcher\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/InstallLauncher.cmake\")
" COMPONENT escritorio)

# The relocatable archive: the program folder alone, at the archive's top, runnable wherever it
# is unpacked (the executable finds its library through an RPATH of $ORIGIN).
set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME velaria)
set(CPACK_PACKAGE_VENDOR Velaria)
set(CPACK_PACKAGE_FILE_NAME velaria-${PROJECT_VERSION}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};programa;/")
set(CPACK_VELARIA_PROGRAM_SUBDIR ${VELARIA_PROGRAM_SUBDIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageLayout.cmake)
include(CPack)
