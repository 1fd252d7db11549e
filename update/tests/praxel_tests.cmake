# Tests of the data model and the manifest reader. The portable ones run
# natively under the sanitizers and, in the Windows build, under Wine; the
# Praxel.dll ones go through the library boundary against the provider.
tovrin_add_gtest(update_model_test NO_REGISTRY
  SOURCES UpdateModelTest.cpp
  LIBS praxel_model)
