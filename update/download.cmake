# The download thread and its helpers, added to Praxel.dll. The name check
# and path formatting are portable and also built for the native tests.
set(PRAXEL_DOWNLOAD_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/BareFileName.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StagingPaths.cpp)

if(TOVRIN_WINDOWS AND TARGET Praxel)
  target_sources(Praxel PRIVATE
    ${PRAXEL_DOWNLOAD_PORTABLE_SOURCES}
    ${CMAKE_CURRENT_LIST_DIR}/PendingList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileDownloadThread.cpp)
endif()
