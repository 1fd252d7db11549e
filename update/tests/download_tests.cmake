# The download thread's tests. The name check and path formatting run in
# every configuration; the thread itself runs under Wine against the provider
# server. The end-to-end tests with switcher.exe live in tests/delivery.
tovrin_add_gtest(download_names_test NO_REGISTRY
  SOURCES DownloadNamesTest.cpp
    ${PROJECT_SOURCE_DIR}/update/BareFileName.cpp
    ${PROJECT_SOURCE_DIR}/update/StagingPaths.cpp)
target_include_directories(download_names_test PRIVATE ${PROJECT_SOURCE_DIR})

if(TOVRIN_WINDOWS AND TARGET Praxel)
  include(${PROJECT_SOURCE_DIR}/tests/delivery/delivery_support.cmake)
  tovrin_add_gtest(download_thread_test PROVIDER
    SOURCES DownloadThreadTest.cpp
    LIBS Praxel Utils delivery_support)
  include(${PROJECT_SOURCE_DIR}/tests/delivery/delivery_tests.cmake)
endif()
