# The gzip forms and patches, natively and (Windows build) under Wine.
tovrin_add_gtest(unpack_test NO_REGISTRY
  SOURCES UnpackTest.cpp
  LIBS praxel_unpack
  DEFINITIONS UNPACK_FIXTURE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/patch")
