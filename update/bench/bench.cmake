# The XML benchmark: a native Release build without sanitizers, configured
# with -DTOVRIN_BENCH=ON -DTOVRIN_SANITIZE=OFF (see tools/bench-xml.sh).
find_package(benchmark REQUIRED)
find_library(TOVRIN_PUGIXML pugixml REQUIRED)
add_executable(xml_benchmark ${CMAKE_CURRENT_LIST_DIR}/XmlBenchmark.cpp)
target_link_libraries(xml_benchmark PRIVATE praxel_xml benchmark::benchmark ${TOVRIN_PUGIXML})
target_compile_definitions(xml_benchmark PRIVATE TOVRIN_BENCH_DATA="${CMAKE_CURRENT_LIST_DIR}")
target_compile_options(xml_benchmark PRIVATE -Wno-mismatched-new-delete)
