# Praxel: the update data model and the manifest reader.
#
# praxel_model is the portable part (model, ParseXML, query address), built in
# every configuration for the native tests and the fuzzer. Praxel.dll is the
# Windows library the programs load; download.cmake adds the download thread
# to it.
set(PRAXEL_MODEL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SimpleStack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpdateModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QueryAddress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionHandler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SignedAnswer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ManifestParse.cpp)

add_library(praxel_model STATIC ${PRAXEL_MODEL_SOURCES})
target_include_directories(praxel_model PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(praxel_model PUBLIC PRAXEL_STATIC)
# The reader needs the parser (xml.cmake).
target_link_libraries(praxel_model PUBLIC praxel_xml)

if(TOVRIN_WINDOWS)
  add_library(Praxel SHARED
    ${PRAXEL_MODEL_SOURCES}
    ${CMAKE_CURRENT_LIST_DIR}/ManifestFetch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Praxel.rc)
  target_include_directories(Praxel PUBLIC ${PROJECT_SOURCE_DIR})
  # PRAXEL_BUILD makes PRAXEL_API export; the parser is linked in privately
  # and carries no export marks, so it stays inside.
  target_compile_definitions(Praxel PRIVATE PRAXEL_BUILD)
  target_link_libraries(Praxel PRIVATE Utils praxel_xml tovrin_log)
  set_target_properties(Praxel PROPERTIES PREFIX "" OUTPUT_NAME Praxel)
endif()

# In the fuzzing build (xml.cmake, TOVRIN_FUZZ) the XML fuzzer drives
# ParseXML too; the model then carries the same instrumentation as the parser.
if(TOVRIN_FUZZ)
  target_compile_options(praxel_model PRIVATE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  if(TARGET xml_fuzzer)
    target_compile_definitions(xml_fuzzer PRIVATE TOVRIN_FUZZ_PARSEXML)
    target_link_libraries(xml_fuzzer PRIVATE praxel_model)
  endif()
endif()
