# The -posix variants carry std::thread and friends, which GoogleTest needs.
# The product uses only Windows threads, so the package (built without the
# tests) takes the -win32 variants and leaves the pthread layer out of every
# file: TOVRIN_MINGW_THREADS=win32.
if(NOT TOVRIN_MINGW_THREADS)
  set(TOVRIN_MINGW_THREADS posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOVRIN_MINGW_THREADS)
set(CMAKE_C_COMPILER ${TOVRIN_MINGW_PREFIX}-gcc-${TOVRIN_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TOVRIN_MINGW_PREFIX}-g++-${TOVRIN_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TOVRIN_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOVRIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
