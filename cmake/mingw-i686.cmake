# Cross build for 32-bit Windows: the x86 package's programs, started by the
# x86 smoke test under emulation; its static_asserts pin the 32-bit record layouts.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOVRIN_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(TOVRIN_BUILD_TESTS OFF CACHE BOOL "Build the test programs" FORCE)
