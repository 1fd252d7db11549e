# Test registration shared by every folder.
#
# tovrin_add_test(NAME [TARGET tgt] [PROVIDER] [NO_REGISTRY] [TIMEOUT s]
#                 [ARGS ...] [ENVIRONMENT ...])
# In the Windows build the program runs under Wine inside the run's session
# (one fresh prefix and one Xvfb display per ctest run). PROVIDER runs it
# beside a private provider server. Tests share one registry, so they hold the
# "registry" lock unless NO_REGISTRY says they never touch it.

set(TOVRIN_WINE_SESSION_DIR ${CMAKE_BINARY_DIR}/wine-session)
set(TOVRIN_HARNESS_DIR ${CMAKE_SOURCE_DIR}/tests/harness)
set(TOVRIN_WITH_PROVIDER ${CMAKE_SOURCE_DIR}/tools/provider/with-provider.sh)

function(tovrin_add_wine_session_fixture)
  get_property(done GLOBAL PROPERTY TOVRIN_WINE_SESSION_FIXTURE)
  if(done)
    return()
  endif()
  set_property(GLOBAL PROPERTY TOVRIN_WINE_SESSION_FIXTURE ON)
  add_test(NAME wine_session_start
    COMMAND ${TOVRIN_HARNESS_DIR}/wine-session.sh start ${TOVRIN_WINE_SESSION_DIR})
  add_test(NAME wine_session_stop
    COMMAND ${TOVRIN_HARNESS_DIR}/wine-session.sh stop ${TOVRIN_WINE_SESSION_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 120)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 60)
endfunction()

function(tovrin_add_test name)
  cmake_parse_arguments(T "PROVIDER;NO_REGISTRY" "TARGET;TIMEOUT" "ARGS;ENVIRONMENT" ${ARGN})
  if(NOT T_TARGET)
    set(T_TARGET ${name})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(cmd $<TARGET_FILE:${T_TARGET}> ${T_ARGS})
  if(CMAKE_CROSSCOMPILING)
    tovrin_add_wine_session_fixture()
    list(PREPEND cmd ${TOVRIN_HARNESS_DIR}/wine-run.sh)
  endif()
  if(T_PROVIDER)
    list(PREPEND cmd ${TOVRIN_WITH_PROVIDER})
  endif()
  add_test(NAME ${name} COMMAND ${cmd} WORKING_DIRECTORY $<TARGET_FILE_DIR:${T_TARGET}>)
  set(env ${T_ENVIRONMENT})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND env TOVRIN_WINE_SESSION=${TOVRIN_WINE_SESSION_DIR})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_session)
    if(NOT T_NO_REGISTRY)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK registry)
    endif()
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
endfunction()

# A GoogleTest program: sources plus the libraries it tests.
function(tovrin_add_gtest name)
  cmake_parse_arguments(G "PROVIDER;NO_REGISTRY" "TIMEOUT" "SOURCES;LIBS;DEFINITIONS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${G_SOURCES})
  target_link_libraries(${name} PRIVATE gtest gtest_main ${G_LIBS})
  target_compile_definitions(${name} PRIVATE ${G_DEFINITIONS})
  set(flags)
  if(G_PROVIDER)
    list(APPEND flags PROVIDER)
  endif()
  if(G_NO_REGISTRY)
    list(APPEND flags NO_REGISTRY)
  endif()
  if(NOT G_TIMEOUT)
    set(G_TIMEOUT 300)
  endif()
  tovrin_add_test(${name} ${flags} TIMEOUT ${G_TIMEOUT} ENVIRONMENT ${G_ENVIRONMENT})
endfunction()
