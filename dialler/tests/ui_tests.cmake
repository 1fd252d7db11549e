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
  LIBS Utils Praxel wininet tovrin_log
  DEFINITIONS ${UI_FIXTURES})
target_include_directories(dialler_refresh_test PRIVATE ${PROJECT_SOURCE_DIR}/utils/tests)

tovrin_add_gtest(dialler_browser_test
  SOURCES BrowserOpenTest.cpp FixtureFiles.cpp
    ${UI_DIR}/BrowserOpen.cpp ${UI_DIR}/BrowserCommand.cpp ${PROJECT_SOURCE_DIR}/utils/tests/RegistryProbe.cpp
  LIBS shell32 gui_driver
  DEFINITIONS ${UI_FIXTURES})
add_dependencies(dialler_browser_test ui_standin)

# The whole program, driven from outside; photographs for review land in
# BUILD/screenshots.
tovrin_add_gtest(dialler_ui_test TIMEOUT 600
  SOURCES DiallerUiTest.cpp FakeTray.cpp ${PROJECT_SOURCE_DIR}/utils/tests/RegistryProbe.cpp
  LIBS gui_driver shell32 advapi32
  DEFINITIONS ${UI_FIXTURES} TOVRIN_UI_SCREENSHOTS="${UI_SCREENSHOT_DIR}")
target_include_directories(dialler_ui_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/utils/tests)
add_dependencies(dialler_ui_test Tovrin Utils Praxel rasim ui_standin)
file(MAKE_DIRECTORY ${UI_SCREENSHOT_DIR})
target_include_directories(dialler_browser_test PRIVATE ${PROJECT_SOURCE_DIR})

tovrin_add_gtest(dialler_busy_test NO_REGISTRY
  SOURCES BusyStateTest.cpp ${UI_DIR}/BusyState.cpp
  LIBS dialler_portable user32)
target_include_directories(dialler_busy_test PRIVATE ${PROJECT_SOURCE_DIR} ${UI_DIR}/res)
