# Fuzzers for the gzip path and the patch applier (see tools/tests.d/fuzz.sh);
# the same clang build as the XML fuzzer.
set(TOVRIN_UNPACK_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_compile_options(praxel_unpack PRIVATE
  -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
foreach(kind gzip patch)
  add_executable(${kind}_fuzzer ${CMAKE_CURRENT_LIST_DIR}/UnpackFuzzTarget.cpp)
  target_compile_definitions(${kind}_fuzzer PRIVATE TOVRIN_FUZZ_${kind})
  target_compile_options(${kind}_fuzzer PRIVATE ${TOVRIN_UNPACK_FUZZ_FLAGS})
  target_link_options(${kind}_fuzzer PRIVATE ${TOVRIN_UNPACK_FUZZ_FLAGS})
  target_link_libraries(${kind}_fuzzer PRIVATE praxel_unpack)
endforeach()
