# Settings for the Windows builds (x86-64 runs under Wine; i686 runs in the x86 smoke test).
enable_language(RC)
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0600 NOMINMAX)
# Every warning is an error in our own code; GoogleTest is configured before
# these options and builds without warnings (cmake/GoogleTest.cmake).
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Werror)
# The programs must need only system DLLs and our own: the compiler's runtime
# (libgcc, libstdc++, winpthread) goes into each binary.
add_link_options(-static -static-libgcc -static-libstdc++)
# All programs and DLLs land together, as they are installed.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
set(TOVRIN_WINDOWS ON)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(TOVRIN_WIN32_BITS 32)
else()
  set(TOVRIN_WIN32_BITS 64)
endif()
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  include(${CMAKE_CURRENT_LIST_DIR}/SizeRelease.cmake)
endif()
