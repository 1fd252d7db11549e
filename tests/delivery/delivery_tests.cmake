# End-to-end delivery under Wine: manifest from the provider server, the
# download thread, then switcher.exe as its own process.

add_executable(delivery_dialler_stub ${CMAKE_CURRENT_LIST_DIR}/DiallerStub.cpp)
# Stripped, so a served program of 20 KB can be the stub with filler after it.
target_link_options(delivery_dialler_stub PRIVATE -s)

set(DELIVERY_DEFINITIONS DELIVERY_FIXTURE_DIR="${CMAKE_CURRENT_LIST_DIR}/fixtures")
set(DELIVERY_RUN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/support/DeliveryRun.cpp)

tovrin_add_gtest(delivery_flow_test PROVIDER TIMEOUT 600
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeliveryFlowTest.cpp ${DELIVERY_RUN_SOURCES}
    ${PROJECT_SOURCE_DIR}/dialler/ConfigRefresh.cpp
  LIBS Praxel Utils delivery_support tovrin_log
  DEFINITIONS ${DELIVERY_DEFINITIONS})
# A point release of switcher.exe made by publish-release.py with bsdiff,
# for the test of the smaller forms.
set(DELIVERY_RELEASE_DIR ${CMAKE_CURRENT_BINARY_DIR}/fetch-release)
add_custom_command(OUTPUT ${DELIVERY_RELEASE_DIR}/answer.xml
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make-fetch-release.py $<TARGET_FILE:switcher> ${DELIVERY_RELEASE_DIR}
  DEPENDS switcher ${CMAKE_CURRENT_LIST_DIR}/make-fetch-release.py
    ${PROJECT_SOURCE_DIR}/tools/provider/publish-release.py
  COMMENT "Point release for the delivery tests"
  VERBATIM)
add_custom_target(delivery_fetch_release DEPENDS ${DELIVERY_RELEASE_DIR}/answer.xml)
target_compile_definitions(delivery_flow_test PRIVATE DELIVERY_RELEASE_DIR="${DELIVERY_RELEASE_DIR}")
add_dependencies(delivery_flow_test delivery_fetch_release)
tovrin_add_gtest(delivery_switcher_test PROVIDER TIMEOUT 600
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeliverySwitcherTest.cpp ${DELIVERY_RUN_SOURCES}
  LIBS Praxel Utils delivery_support
  DEFINITIONS ${DELIVERY_DEFINITIONS})
foreach(test delivery_flow_test delivery_switcher_test)
  add_dependencies(${test} switcher delivery_dialler_stub)
endforeach()

# Not a test: the timing program behind tools/bench-delivery.sh.
add_executable(delivery_bench ${CMAKE_CURRENT_LIST_DIR}/bench/DeliveryBench.cpp)
target_link_libraries(delivery_bench PRIVATE Utils switcher_install)
add_dependencies(delivery_bench switcher)
