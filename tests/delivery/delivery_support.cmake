# Helpers shared by the download and delivery tests: the provider server's
# control endpoints, a scratch installation directory, the registry probe,
# and the fixture the delivery and download tests share (DeliveryTest.h).
# The download thread's tests in update/tests link it too.
add_library(delivery_support STATIC
  ${PROJECT_SOURCE_DIR}/utils/tests/ProviderControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/ScratchInstall.cpp
  ${PROJECT_SOURCE_DIR}/utils/tests/RegistryProbe.cpp
  ${PROJECT_SOURCE_DIR}/utils/tests/ScratchDirectory.cpp)
target_include_directories(delivery_support PUBLIC
  ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR}/support ${PROJECT_SOURCE_DIR}/utils/tests)
target_link_libraries(delivery_support PUBLIC wininet)
