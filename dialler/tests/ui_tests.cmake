# Tests of the main dialog, the Settings dialog, the tray, the configuration
# refresh and the companion programs.

# FormatElapsed and the browser command are portable: tested natively too.
add_library(dialler_ui_portable STATIC
  ${PROJECT_SOURCE_DIR}/dialler/ElapsedText.cpp
  ${PROJECT_SOURCE_DIR}/dialler/BrowserCommand.cpp)
target_include_directories(dialler_ui_portable PUBLIC ${PROJECT_SOURCE_DIR})

tovrin_add_gtest(dialler_ui_logic_test NO_REGISTRY
  SOURCES ElapsedTextTest.cpp BrowserCommandTest.cpp
  LIBS dialler_ui_portable)

if(NOT TOVRIN_WINDOWS)
  return()
endif()

set(UI_DIR ${PROJECT_SOURCE_DIR}/dialler)
set(UI_FIXTURES TOVRIN_UI_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures")
set(UI_SCREENSHOT_DIR ${CMAKE_BINARY_DIR}/screenshots)

# The stand-in for Tallyview, switcher and the web browser.
add_executable(ui_standin WIN32 StandInRecorder.cpp)

tovrin_add_gtest(dialler_tray_test NO_REGISTRY
  SOURCES TrayIconTest.cpp FakeTray.cpp
    ${UI_DIR}/TrayIcon.cpp ${UI_DIR}/TaskbarAnimation.cpp ${UI_DIR}/res/Tovrin.rc
  LIBS shell32 user32 gdi32)
target_include_directories(dialler_tray_test PRIVATE ${PROJECT_SOURCE_DIR} ${UI_DIR}/res)

tovrin_add_gtest(dialler_refresh_test PROVIDER
  SOURCES ConfigRefreshTest.cpp FixtureFiles.cpp ${UI_DIR}/ConfigRefresh.cpp
    ${PROJECT_SOURCE_DIR}/utils/tests/RegistryProbe.cpp ${PROJECT_SOURCE_DIR}/utils/tests/ProviderControl.cpp
  LIBS Utils Praxel wininet
  DEFINITIONS ${UI_FIXTURES})
target_include_directories(dialler_refresh_test PRIVATE ${PROJECT_SOURCE_DIR}/utils/tests)

tovrin_add_gtest(dialler_browser_test
  SOURCES BrowserOpenTest.cpp DiallerDriver.cpp FixtureFiles.cpp
    ${UI_DIR}/BrowserOpen.cpp ${UI_DIR}/BrowserCommand.cpp
  LIBS shell32 rasim_log_reader
  DEFINITIONS ${UI_FIXTURES} TOVRIN_UI_SCREENSHOTS="${UI_SCREENSHOT_DIR}")
add_dependencies(dialler_browser_test ui_standin)

# The whole program, driven from outside; photographs for review land in
# BUILD/screenshots.
add_executable(dialler_ui_test DiallerUiTest.cpp DiallerDriver.cpp FakeTray.cpp FixtureFiles.cpp
  ${PROJECT_SOURCE_DIR}/utils/tests/RegistryProbe.cpp)
target_link_libraries(dialler_ui_test PRIVATE gtest gtest_main rasim_log_reader shell32 advapi32)
target_include_directories(dialler_ui_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/utils/tests)
target_compile_definitions(dialler_ui_test PRIVATE ${UI_FIXTURES} TOVRIN_UI_SCREENSHOTS="${UI_SCREENSHOT_DIR}")
add_dependencies(dialler_ui_test Tovrin Utils Praxel rasim ui_standin)
tovrin_add_wine_session_fixture()
add_test(NAME dialler_ui_test
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-screenshots.sh ${TOVRIN_HARNESS_DIR}/wine-run.sh $<TARGET_FILE:dialler_ui_test>
  WORKING_DIRECTORY $<TARGET_FILE_DIR:dialler_ui_test>)
set_tests_properties(dialler_ui_test PROPERTIES
  FIXTURES_REQUIRED wine_session RESOURCE_LOCK registry TIMEOUT 600
  ENVIRONMENT "TOVRIN_WINE_SESSION=${TOVRIN_WINE_SESSION_DIR};TOVRIN_SCREENSHOT_DIR=${UI_SCREENSHOT_DIR}")
target_include_directories(dialler_browser_test PRIVATE ${PROJECT_SOURCE_DIR})
