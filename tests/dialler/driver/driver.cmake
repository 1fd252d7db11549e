# gui_driver: drives a GUI program under test from a test program (windows,
# controls, message boxes, process start, log lines, screenshots). Included
# from tools/rasim, beside the simulator the dialler tests use with it.
set(GUI_DRIVER_DIR ${PROJECT_SOURCE_DIR}/tests/dialler/driver)
add_library(gui_driver STATIC
  ${GUI_DRIVER_DIR}/WindowSearch.cpp
  ${GUI_DRIVER_DIR}/Controls.cpp
  ${GUI_DRIVER_DIR}/MessageBoxes.cpp
  ${GUI_DRIVER_DIR}/GuiProcess.cpp
  ${GUI_DRIVER_DIR}/TextFiles.cpp
  ${GUI_DRIVER_DIR}/Screenshot.cpp)
target_include_directories(gui_driver PUBLIC ${GUI_DRIVER_DIR} ${PROJECT_SOURCE_DIR})

if(TOVRIN_BUILD_TESTS)
  add_executable(gui_driver_probe WIN32 ${GUI_DRIVER_DIR}/tests/DriverProbe.cpp)
  target_include_directories(gui_driver_probe PRIVATE ${PROJECT_SOURCE_DIR})
  tovrin_add_gtest(gui_driver_test NO_REGISTRY
    SOURCES ${GUI_DRIVER_DIR}/tests/GuiDriverTest.cpp
    LIBS gui_driver)
  add_dependencies(gui_driver_test gui_driver_probe)
endif()
