tovrin_add_gtest(xml_test NO_REGISTRY
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/XmlLoadTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XmlNavigationTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XmlAttributeTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XmlCharsetTest.cpp
  LIBS praxel_xml)
add_custom_command(TARGET xml_test POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory
    ${CMAKE_CURRENT_LIST_DIR}/data/xml $<TARGET_FILE_DIR:xml_test>/xml-data)
