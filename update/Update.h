#pragma once
// The update library's chief header: the data model, the manifest reader,
// the version type and the download thread.
#include "update/ManifestReader.h"
#include "update/UpdateModel.h"
#include "update/VersionHandler.h"

#if defined(__has_include)
#if __has_include("update/FileDownloadThread.h")
#include "update/FileDownloadThread.h"
#endif
#endif
