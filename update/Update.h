#pragma once
// The update library's chief header: the data model, the manifest reader,
// the version type and the download thread.
#include "update/ManifestReader.h"
#include "update/UpdateModel.h"
#include "update/VersionHandler.h"
#include "update/FileDownloadThread.h"
