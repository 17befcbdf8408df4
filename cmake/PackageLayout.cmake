# Run by CPack between staging and archiving: lift the program folder to the archive's top, so
# that unpacking gives the folder itself rather than opt/velaria inside it.
set(staging "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
file(GLOB entries LIST_DIRECTORIES true "${staging}/${CPACK_VELARIA_PROGRAM_SUBDIR}/*")
foreach(entry IN LISTS entries)
  get_filename_component(name "${entry}" NAME)
  file(RENAME "${entry}" "${staging}/${name}")
endforeach()
string(REGEX REPLACE "/.*" "" top "${CPACK_VELARIA_PROGRAM_SUBDIR}")
file(REMOVE_RECURSE "${staging}/${top}")
