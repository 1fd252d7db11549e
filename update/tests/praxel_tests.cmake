# Tests of the data model and the manifest reader. The portable ones run
# natively under the sanitizers and, in the Windows build, under Wine; the
# Praxel.dll ones go through the library boundary against the provider.
tovrin_add_gtest(update_model_test NO_REGISTRY
  SOURCES UpdateModelTest.cpp SignedAnswerTest.cpp
  LIBS praxel_model)

set(PRAXEL_FIXTURE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/data/manifests)

tovrin_add_gtest(manifest_parse_test NO_REGISTRY
  SOURCES ManifestParseTest.cpp
  LIBS praxel_model
  DEFINITIONS MANIFEST_FIXTURE_DIR="${PRAXEL_FIXTURE_DIR}")

tovrin_add_gtest(manifest_query_address_test NO_REGISTRY
  SOURCES ManifestQueryAddressTest.cpp
  LIBS praxel_model)

# The same model and parser tests again, through Praxel.dll: the program owns
# the stacks, the library allocates and frees every node and item.
if(TOVRIN_WINDOWS)
  tovrin_add_gtest(update_model_dll_test NO_REGISTRY
    SOURCES UpdateModelTest.cpp
    LIBS Praxel)
  tovrin_add_gtest(manifest_parse_dll_test NO_REGISTRY
    SOURCES ManifestParseTest.cpp
    LIBS Praxel
    DEFINITIONS MANIFEST_FIXTURE_DIR="${PRAXEL_FIXTURE_DIR}")
endif()

# GetFileAndParse against the provider stand-in.
if(TOVRIN_WINDOWS)
  tovrin_add_gtest(manifest_fetch_test NO_REGISTRY PROVIDER
    SOURCES ManifestFetchTest.cpp ${PROJECT_SOURCE_DIR}/utils/tests/ProviderControl.cpp
    LIBS Praxel wininet
    DEFINITIONS MANIFEST_FIXTURE_DIR="${PRAXEL_FIXTURE_DIR}")
  target_include_directories(manifest_fetch_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/utils/tests)
endif()

# The library's surface, read from the binary; no Wine needed.
if(TOVRIN_WINDOWS)
  find_program(TOVRIN_OBJDUMP NAMES ${TOVRIN_MINGW_PREFIX}-objdump objdump)
  add_test(NAME praxel_exports_check
    COMMAND ${TOVRIN_HARNESS_DIR}/check-exports.sh ${TOVRIN_OBJDUMP} $<TARGET_FILE:Praxel>
      ${CMAKE_CURRENT_SOURCE_DIR}/Praxel.surface)
endif()
