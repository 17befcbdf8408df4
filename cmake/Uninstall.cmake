# Removes what make install put under a prefix, and nothing else: the list comes from the same
# file as the install rules, so it needs no build tree. Output folders that hold pictures are
# the user's work and stay.
# Usage: cmake -DPREFIX=<prefix> -P cmake/Uninstall.cmake
include(${CMAKE_CURRENT_LIST_DIR}/VelariaFiles.cmake)

if(NOT PREFIX)
  message(FATAL_ERROR "Falta la carpeta de instalación: cmake -DPREFIX=<carpeta> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
string(REGEX REPLACE "/+$" "" PREFIX "${PREFIX}")

set(removed 0)
foreach(name IN LISTS VELARIA_INSTALLED_FILES)
  set(path "${PREFIX}/${name}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    file(REMOVE "${path}")
    math(EXPR removed "${removed} + 1")
  endif()
endforeach()

# Entries of a folder, hidden ones included (CMake's * matches a leading dot).
function(folder_entries out folder)
  file(GLOB entries LIST_DIRECTORIES true RELATIVE "${folder}" "${folder}/*")
  set(${out} "${entries}" PARENT_SCOPE)
endfunction()

set(program "${PREFIX}/${VELARIA_PROGRAM_SUBDIR}")
set(kept "")
foreach(folder IN LISTS VELARIA_OUTPUT_FOLDERS)
  set(path "${program}/${folder}")
  if(NOT IS_DIRECTORY "${path}" OR IS_SYMLINK "${path}")
    continue()
  endif()
  folder_entries(entries "${path}")
  list(LENGTH entries count)
  if(count EQUAL 0)
    file(REMOVE_RECURSE "${path}")
    math(EXPR removed "${removed} + 1")
  else()
    list(APPEND kept "${folder}")
    message("Se conserva «${path}»: contiene ${count} archivo(s), imágenes convertidas que "
            "la desinstalación no borra. Bórrela usted cuando ya no las necesite.")
  endif()
endforeach()

if(IS_DIRECTORY "${program}")
  folder_entries(entries "${program}")
  list(REMOVE_ITEM entries ${kept})
  if(entries)
    list(JOIN entries ", " names)
    message("Se conserva «${program}»: contiene archivos que no instaló Velaria (${names}).")
  elseif(NOT kept)
    file(REMOVE_RECURSE "${program}")
  endif()
endif()

if(removed EQUAL 0)
  message("No había nada de Velaria instalado en «${PREFIX}».")
else()
  message("Velaria se ha desinstalado de «${PREFIX}».")
endif()
