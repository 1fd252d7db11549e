# The download thread and its helpers, added to Praxel.dll. The name check
# and path formatting are portable and also built for the native tests.
set(PRAXEL_DOWNLOAD_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/BareFileName.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StagingPaths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FetchForms.cpp)

if(TOVRIN_WINDOWS)
  target_sources(Praxel PRIVATE
    ${PRAXEL_DOWNLOAD_PORTABLE_SOURCES}
    ${CMAKE_CURRENT_LIST_DIR}/PendingList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileFetch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StaleDownloads.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PatchBase.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileDownloadThread.cpp
    # Files are checked against their sha256 in every build; the patch form
    # reads the version record and the installed file's version.
    ${CMAKE_CURRENT_LIST_DIR}/AnswerVerify.cpp
    ${PROJECT_SOURCE_DIR}/utils/RecordedVersion.cpp
    ${PROJECT_SOURCE_DIR}/utils/InstalledVersion.cpp
    ${PROJECT_SOURCE_DIR}/utils/RegistryAccess.cpp)
  target_link_libraries(Praxel PRIVATE bcrypt version)
endif()
