# The Windows program folder as a zip (velaria-<version>-windows-x86_64.zip): the program, its
# writer library, the sample, the two empty output folders, and the DLLs and Qt plugins it
# needs, found by walking the executables' imports; nothing else.

# Where the compiler's own runtime DLLs (C++ library, unwinder, threads) lie.
set(VELARIA_RUNTIME_DIRS)
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(found "${found}" DIRECTORY)
  list(APPEND VELARIA_RUNTIME_DIRS "${found}")
endforeach()
list(APPEND VELARIA_RUNTIME_DIRS /usr/${VELARIA_MINGW}/lib /usr/${VELARIA_MINGW}/bin
  ${VELARIA_WINDOWS_PREFIX}/bin)
list(REMOVE_DUPLICATES VELARIA_RUNTIME_DIRS)
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qt_bin "${qt_core_dll}" DIRECTORY)
get_filename_component(VELARIA_QT_PLUGINS "${qt_bin}/../plugins" ABSOLUTE)
find_program(VELARIA_OBJDUMP ${VELARIA_MINGW}-objdump REQUIRED)

add_custom_target(windows_package
  COMMAND ${CMAKE_COMMAND}
    -DPROGRAM_DIR=${VELARIA_PROGRAM_DIR}
    -DSTAGING=${CMAKE_BINARY_DIR}/package/${VELARIA_WINDOWS_PACKAGE}
    -DZIP=${CMAKE_BINARY_DIR}/${VELARIA_WINDOWS_PACKAGE}.zip
    -DQT_PLUGINS=${VELARIA_QT_PLUGINS}
    "-DSEARCH_DIRS=${qt_bin};${VELARIA_RUNTIME_DIRS}"
    -DOBJDUMP=${VELARIA_OBJDUMP}
    -DSTRIP=${CMAKE_STRIP}
    -P ${CMAKE_CURRENT_LIST_DIR}/WindowsPackageLayout.cmake
  DEPENDS velaria DIjpg velaria_program_folder
  COMMENT "Empaquetando ${VELARIA_WINDOWS_PACKAGE}.zip"
  VERBATIM)
