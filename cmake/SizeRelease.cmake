# The package build (CMAKE_BUILD_TYPE MinSizeRel, made by tools/package.sh):
# every file is fetched whole over dial-up at each update, so the release
# files are built for size. -Os comes with the build type.
# Functions only: with -fdata-sections this compiler gives every variable,
# zero-filled ones too, a section of initialised data, so the files carry
# their zero tables (the dialler's connection table alone is 42 KB) and grow.
add_compile_options(-ffunction-sections)
add_link_options(-Wl,--gc-sections -s)
# printf and friends from the system's msvcrt.dll (see the header).
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/mingw-msvcrt-stdio.h>")

# Called once every target exists (see the top-level CMakeLists.txt).
function(tovrin_size_release_targets)
  foreach(target Tovrin Praxel Utils Tallyview switcher)
    if(TARGET ${target})
      target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/utils/QuietRuntime.cpp)
    endif()
  endforeach()
  # Only the XML reader in Praxel.dll catches anything (a failed allocation
  # while loading an answer); the rest is built without exception support.
  foreach(target Tovrin dialler_portable Utils utils_portable Tallyview stats_portable switcher switcher_install)
    if(TARGET ${target})
      target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
    endif()
  endforeach()
endfunction()
