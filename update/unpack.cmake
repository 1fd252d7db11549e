# The smaller forms of an offered file: gzip (inflated with zlib) and our
# patches. Portable; linked into Praxel.dll and built natively for the tests
# and the fuzzers.
include(${PROJECT_SOURCE_DIR}/cmake/Zlib.cmake)
add_library(praxel_unpack STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UnpackIo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GzipFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PatchApply.cpp)
target_include_directories(praxel_unpack PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(praxel_unpack PUBLIC tovrin_zlib)
set_target_properties(praxel_unpack PROPERTIES POSITION_INDEPENDENT_CODE ON)

if(TOVRIN_WINDOWS)
  target_link_libraries(Praxel PRIVATE praxel_unpack)
endif()
if(TOVRIN_FUZZ)
  include(${CMAKE_CURRENT_LIST_DIR}/fuzz/unpack_fuzz.cmake)
endif()
