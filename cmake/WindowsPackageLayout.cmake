# Run by the windows_package target: lays out the program folder in STAGING and zips it as ZIP.
# The DLLs come from walking the imports of the program, its writer library and the plugins,
# through SEARCH_DIRS; what none of them holds is the system's own (kernel32, user32, ...).
set(plugins platforms/qwindows.dll imageformats/qgif.dll imageformats/qjpeg.dll
  styles/qwindowsvistastyle.dll)

file(REMOVE_RECURSE "${STAGING}")
file(MAKE_DIRECTORY "${STAGING}/DestinoJPG" "${STAGING}/DestinoBMP")
file(COPY "${PROGRAM_DIR}/velaria.exe" "${PROGRAM_DIR}/DIjpg.dll" "${PROGRAM_DIR}/muestra.jpg"
  DESTINATION "${STAGING}")
set(modules)
foreach(plugin IN LISTS plugins)
  get_filename_component(kind "${plugin}" DIRECTORY)
  file(COPY "${QT_PLUGINS}/${plugin}" DESTINATION "${STAGING}/${kind}")
  list(APPEND modules "${STAGING}/${plugin}")
endforeach()

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${STAGING}/velaria.exe"
  LIBRARIES "${STAGING}/DIjpg.dll"
  MODULES ${modules}
  DIRECTORIES ${SEARCH_DIRS}
  RESOLVED_DEPENDENCIES_VAR needed
  UNRESOLVED_DEPENDENCIES_VAR system)
foreach(dll IN LISTS needed)
  file(COPY "${dll}" DESTINATION "${STAGING}")
endforeach()

# Debug information stays in the build; the package carries the code only.
file(GLOB_RECURSE binaries "${STAGING}/*.exe" "${STAGING}/*.dll")
foreach(binary IN LISTS binaries)
  execute_process(COMMAND "${STRIP}" --strip-debug "${binary}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

get_filename_component(parent "${STAGING}" DIRECTORY)
get_filename_component(top "${STAGING}" NAME)
file(REMOVE "${ZIP}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZIP}" --format=zip "${top}"
  WORKING_DIRECTORY "${parent}" COMMAND_ERROR_IS_FATAL ANY)
list(LENGTH needed count)
message(STATUS "${ZIP}: ${count} DLLs; from the system: ${system}")
