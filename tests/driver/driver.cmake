# gui_driver: drives the programs under test from a test program as a user
# would (windows, controls, message boxes, process start, log lines,
# screenshots), and sets up the real dialler beside the simulated
# remote-access service. Built with or without the tests: the demo's
# stand-in user drives the programs with it too.
set(GUI_DRIVER_DIR ${PROJECT_SOURCE_DIR}/tests/driver)
add_library(gui_driver STATIC
  ${GUI_DRIVER_DIR}/WindowSearch.cpp
  ${GUI_DRIVER_DIR}/Controls.cpp
  ${GUI_DRIVER_DIR}/MessageBoxes.cpp
  ${GUI_DRIVER_DIR}/GuiProcess.cpp
  ${GUI_DRIVER_DIR}/TextFiles.cpp
  ${GUI_DRIVER_DIR}/Screenshot.cpp
  ${GUI_DRIVER_DIR}/SessionEnd.cpp
  ${GUI_DRIVER_DIR}/DiallerInstallation.cpp
  ${PROJECT_SOURCE_DIR}/utils/tests/ScratchDirectory.cpp)
target_include_directories(gui_driver PUBLIC ${GUI_DRIVER_DIR} ${PROJECT_SOURCE_DIR})
target_link_libraries(gui_driver PUBLIC rasim_log_reader user32)
# Where the installation's files come from. The recording stand-in is built
# with the dialler's tests.
target_compile_definitions(gui_driver PRIVATE
  TOVRIN_TEST_BIN_DIR="$<TARGET_FILE_DIR:Tovrin>"
  TOVRIN_TEST_RASIM_DLL="$<TARGET_FILE:rasim>"
  TOVRIN_TEST_SCENARIO_DIR="${PROJECT_SOURCE_DIR}/dialler/tests/scenarios")
if(TOVRIN_BUILD_TESTS)
  target_compile_definitions(gui_driver PRIVATE TOVRIN_TEST_STANDIN_EXE="$<TARGET_FILE:ui_standin>")
else()
  target_compile_definitions(gui_driver PRIVATE TOVRIN_TEST_STANDIN_EXE="")
endif()

if(TOVRIN_BUILD_TESTS)
  add_executable(gui_driver_probe WIN32 ${GUI_DRIVER_DIR}/tests/DriverProbe.cpp)
  target_include_directories(gui_driver_probe PRIVATE ${PROJECT_SOURCE_DIR})
  tovrin_add_gtest(gui_driver_test NO_REGISTRY
    SOURCES ${GUI_DRIVER_DIR}/tests/GuiDriverTest.cpp
    LIBS gui_driver)
  add_dependencies(gui_driver_test gui_driver_probe)
endif()
