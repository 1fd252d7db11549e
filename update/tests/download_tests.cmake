# The download thread's tests. The name check and path formatting run in
# every configuration; the thread itself runs under Wine against the provider
# server. The end-to-end tests with switcher.exe are in tests/delivery.
tovrin_add_gtest(download_names_test NO_REGISTRY
  SOURCES DownloadNamesTest.cpp
    ${PROJECT_SOURCE_DIR}/update/BareFileName.cpp
    ${PROJECT_SOURCE_DIR}/update/StagingPaths.cpp
    ${PROJECT_SOURCE_DIR}/update/FetchForms.cpp
  LIBS praxel_model)
target_include_directories(download_names_test PRIVATE ${PROJECT_SOURCE_DIR})

# delivery_support comes from tests/delivery.
if(TOVRIN_WINDOWS)
  tovrin_add_gtest(download_thread_test PROVIDER
    SOURCES DownloadThreadTest.cpp
    LIBS Praxel Utils delivery_support)
endif()

# Signed answers, through the Praxel.dll built with a test key (signing.cmake)
# and the dialler's refresh; the provider signs with the matching private key.
if(TOVRIN_WINDOWS AND NOT TOVRIN_UPDATE_KEY)
  tovrin_add_gtest(signed_update_test PROVIDER
    SOURCES SignedUpdateTest.cpp ${PROJECT_SOURCE_DIR}/dialler/ConfigRefresh.cpp
    LIBS Praxel_signed Utils delivery_support tovrin_log
    DEFINITIONS TOVRIN_TEST_KEY_DIR="${TOVRIN_TEST_KEY_DIR}" TOVRIN_TEST_MIN_SERIAL=${TOVRIN_TEST_MIN_SERIAL})
  set_target_properties(signed_update_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TOVRIN_SIGNED_BIN_DIR})
  add_dependencies(signed_update_test test_update_keys)
endif()
