# The XML fuzzer: configure a separate clang build with -DTOVRIN_FUZZ=ON
# -DTOVRIN_BUILD_TESTS=OFF -DTOVRIN_SANITIZE=OFF (see tools/tests.d/fuzz.sh).
# -DTOVRIN_FUZZ_PARSEXML=ON also drives the manifest reader.
option(TOVRIN_FUZZ_PARSEXML "Also fuzz Update::ParseXML" OFF)
set(TOVRIN_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
add_executable(xml_fuzzer ${CMAKE_CURRENT_LIST_DIR}/XmlFuzzTarget.cpp)
target_compile_options(xml_fuzzer PRIVATE ${TOVRIN_FUZZ_FLAGS})
target_link_options(xml_fuzzer PRIVATE ${TOVRIN_FUZZ_FLAGS})
# The library under test gets the same instrumentation, without libFuzzer's main.
target_compile_options(praxel_xml PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_link_libraries(xml_fuzzer PRIVATE praxel_xml)
if(TOVRIN_FUZZ_PARSEXML)
  target_compile_definitions(xml_fuzzer PRIVATE TOVRIN_FUZZ_PARSEXML)
  target_link_libraries(xml_fuzzer PRIVATE praxel_model)
endif()
