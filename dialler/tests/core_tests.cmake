# The dialler program driven under Wine with the simulated remote-access
# service: start-up, dialling, the numbers and the phonebook entry.
# The simulator and the GUI driver are configured later (tools/rasim, tests).
if(NOT TOVRIN_WINDOWS)
  return()
endif()

# A test program that drives the real Tovrin.exe under the simulator.
function(dialler_driven_test name timeout)
  tovrin_add_gtest(${name} TIMEOUT ${timeout}
    SOURCES ${ARGN} ${PROJECT_SOURCE_DIR}/utils/tests/RegistryProbe.cpp
    LIBS gui_driver advapi32)
  # Wine reads the load order when a process starts, from the environment it
  # was started with; setting it from inside the test is too late. The
  # browsers are kept from starting: they would outlive the test holding its
  # output open. (Set here: the semicolons must survive as one value.)
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
    "WINEDLLOVERRIDES=rasapi32=n\\;winebrowser.exe=d\\;iexplore.exe=d")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  add_dependencies(${name} Tovrin Utils Praxel rasim ui_standin)
endfunction()

dialler_driven_test(dialler_core_test 600 StartupTest.cpp DiallingTest.cpp NumbersTest.cpp PhonebookTest.cpp)
# Random user actions against a mix of line behaviours (a short pass here;
# tools/soak-dialler.sh runs a long one).
dialler_driven_test(dialler_soak_test 420 SoakTest.cpp)
