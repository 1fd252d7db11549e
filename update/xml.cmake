# The XML reader: portable sources in a static library that Praxel.dll links
# (XmlDocument is not exported), plus its fuzzer and benchmark.
add_library(praxel_xml STATIC
  ${CMAKE_CURRENT_LIST_DIR}/XmlChars.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XmlScanner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XmlEntities.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XmlDocument.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XmlNavigation.cpp)
target_include_directories(praxel_xml PUBLIC ${PROJECT_SOURCE_DIR})
# Linked into a shared library.
set_target_properties(praxel_xml PROPERTIES POSITION_INDEPENDENT_CODE ON)

option(TOVRIN_FUZZ "Build the XML fuzzer (clang, libFuzzer)" OFF)
option(TOVRIN_BENCH "Build the XML benchmark (Google Benchmark, pugixml)" OFF)
if(TOVRIN_FUZZ)
  include(${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz.cmake)
endif()
if(TOVRIN_BENCH)
  include(${CMAKE_CURRENT_LIST_DIR}/bench/bench.cmake)
endif()
