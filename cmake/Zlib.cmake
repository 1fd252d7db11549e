# zlib from Debian: libz-mingw-w64-dev for the Windows builds, zlib1g-dev for
# the native and fuzzing builds (tools/install-deps.sh installs both). Gives
# the target tovrin_zlib.
if(TARGET tovrin_zlib)
  return()
endif()
if(TOVRIN_WINDOWS)
  # The archive by its full name: the import library would make the
  # programs need zlib1.dll, and they must need only system DLLs and our own.
  find_library(TOVRIN_ZLIB_ARCHIVE NAMES libz.a)
  find_path(TOVRIN_ZLIB_INCLUDE zlib.h)
  if(NOT TOVRIN_ZLIB_ARCHIVE OR NOT TOVRIN_ZLIB_INCLUDE)
    message(FATAL_ERROR "zlib for ${TOVRIN_MINGW_PREFIX} not found; install libz-mingw-w64-dev")
  endif()
  add_library(tovrin_zlib STATIC IMPORTED GLOBAL)
  set_target_properties(tovrin_zlib PROPERTIES
    IMPORTED_LOCATION ${TOVRIN_ZLIB_ARCHIVE}
    INTERFACE_INCLUDE_DIRECTORIES ${TOVRIN_ZLIB_INCLUDE})
else()
  find_package(ZLIB REQUIRED)
  add_library(tovrin_zlib INTERFACE IMPORTED GLOBAL)
  set_target_properties(tovrin_zlib PROPERTIES INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
endif()
