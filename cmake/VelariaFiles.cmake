# What an install puts under its prefix, in one place for the install rules and for uninstall,
# so that uninstall removes exactly what install wrote even after the build tree is gone.
set(VELARIA_APP_ID org.velaria.Velaria)
set(VELARIA_PROGRAM_SUBDIR opt/velaria)
set(VELARIA_PROGRAM_FILES velaria libDIjpg.so muestra.jpg)
set(VELARIA_OUTPUT_FOLDERS DestinoJPG DestinoBMP)
set(VELARIA_ICON_SIZES 16 32 48 64 128 256)

set(VELARIA_INSTALLED_FILES
  share/applications/${VELARIA_APP_ID}.desktop
  share/metainfo/${VELARIA_APP_ID}.metainfo.xml
  share/icons/hicolor/scalable/apps/${VELARIA_APP_ID}.svg)
foreach(size IN LISTS VELARIA_ICON_SIZES)
  list(APPEND VELARIA_INSTALLED_FILES
    share/icons/hicolor/${size}x${size}/apps/${VELARIA_APP_ID}.png)
endforeach()
foreach(name IN LISTS VELARIA_PROGRAM_FILES)
  list(APPEND VELARIA_INSTALLED_FILES ${VELARIA_PROGRAM_SUBDIR}/${name})
endforeach()
