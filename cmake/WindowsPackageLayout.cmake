# Run by the windows_package target: lays out the program folder in STAGING and zips it as ZIP.
cmake_policy(VERSION 3.25)
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
# Windows names DLLs in any case ("QT6CORE.dll" finds Qt6Core.dll); the walk looks them up
# case-sensitively, so every DLL of the search folders is also known by its lower-case name.
foreach(dir IN LISTS SEARCH_DIRS)
  file(GLOB dlls "${dir}/*.dll")
  foreach(dll IN LISTS dlls)
    get_filename_component(name "${dll}" NAME)
    string(TOLOWER "${name}" name)
    if(NOT DEFINED "found_${name}")
      set("found_${name}" "${dll}")
    endif()
  endforeach()
endforeach()
set(pending "${STAGING}/velaria.exe" "${STAGING}/DIjpg.dll" ${modules})
set(copied)
set(system)
while(pending)
  file(GET_RUNTIME_DEPENDENCIES LIBRARIES ${pending} DIRECTORIES ${SEARCH_DIRS}
    RESOLVED_DEPENDENCIES_VAR resolved UNRESOLVED_DEPENDENCIES_VAR unresolved)
  foreach(name IN LISTS unresolved)
    string(TOLOWER "${name}" name)
    if(DEFINED "found_${name}")
      list(APPEND resolved "${found_${name}}")
    else()
      list(APPEND system "${name}")
    endif()
  endforeach()
  set(pending)
  foreach(dll IN LISTS resolved)
    if(NOT dll IN_LIST copied)
      list(APPEND copied "${dll}")
      file(COPY "${dll}" DESTINATION "${STAGING}")
      list(APPEND pending "${dll}")
    endif()
  endforeach()
endwhile()
list(REMOVE_DUPLICATES system)
set(needed ${copied})

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
