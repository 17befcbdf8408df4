# Cross-builds for 64-bit Windows with Debian's mingw-w64 (the posix threads flavour, which
# std::thread needs), against the libraries that scripts/windows-deps built into its cache.
# The cache folder comes as VELARIA_WINDOWS_PREFIX (a cache variable or the environment).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELARIA_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VELARIA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELARIA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VELARIA_MINGW}-windres)

if(NOT VELARIA_WINDOWS_PREFIX AND DEFINED ENV{VELARIA_WINDOWS_PREFIX})
  set(VELARIA_WINDOWS_PREFIX "$ENV{VELARIA_WINDOWS_PREFIX}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELARIA_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${VELARIA_MINGW} ${VELARIA_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see the Windows libraries only, never the build machine's.
if(VELARIA_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${VELARIA_WINDOWS_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()
