# GoogleTest is built from the sources Debian's googletest package installs,
# with the same compiler and flags as the code under test.
if(NOT TARGET gtest)
  set(TOVRIN_GTEST_SOURCE /usr/src/googletest/googletest)
  if(NOT EXISTS ${TOVRIN_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found; install the googletest package")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${TOVRIN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own sources are not ours to warn about.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()
