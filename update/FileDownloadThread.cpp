#include "update/FileDownloadThread.h"

#include <windows.h>

#include <cstdio>

#include "update/BareFileName.h"
#include "update/StagingPaths.h"
#include "update/UpdateModel.h"
#include "utils/Utils.h"

#if defined(TOVRIN_SIGNED_UPDATES)
#include <cstring>

#include "update/AnswerVerify.h"
#endif

namespace Update {

namespace {

// A refused answer leaves the empty file DownloadFile opened; a partial one
// with content is kept, since the next run resumes it.
void RemoveIfEmpty(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) && data.nFileSizeHigh == 0 &&
        data.nFileSizeLow == 0 && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA(path);
}

// The record holds 15 characters: a longer version text would be stored cut,
// read back as a smaller version and fetched again at every connection.
bool VersionFitsRecord(const VersionHandler& version)
{
    return std::snprintf(nullptr, 0, "%u.%u.%u", static_cast<unsigned>(version.Major()),
                         static_cast<unsigned>(version.Minor()), static_cast<unsigned>(version.Revision())) <= 15;
}

#if defined(TOVRIN_SIGNED_UPDATES)
// Only bytes the provider signed for are staged.
bool MatchesSignedDigest(const char* path, const File& file)
{
    unsigned char digest[kDigestSize];
    return FileSha256(path, digest) && std::memcmp(digest, file.GetSha256(), kDigestSize) == 0;
}
#endif

void UpdateOneFile(const File& file)
{
    const char* name = file.GetName();
    if (!IsBareFileName(name) || IsStagingName(name))
        return;
    if (!VersionFitsRecord(file.GetVersion()))
        return;
    if (!NeedUpdate(name, file.GetVersion()))
        return;
#if defined(TOVRIN_SIGNED_UPDATES)
    if (!file.HasSha256())
        return;
#endif

    StagingPaths paths;
    if (!FormatStagingPaths(name, file.GetVersion().ToString(), paths))
        return;
    // The compressed flag is not consulted: files are staged as downloaded.
    if (!DownloadFile(file.GetUrl(), paths.download, file.GetSize())) {
        RemoveIfEmpty(paths.download);
        return;
    }
#if defined(TOVRIN_SIGNED_UPDATES)
    // Deleted, so the next offer starts afresh instead of resuming it.
    if (!MatchesSignedDigest(paths.download, file)) {
        DeleteFileA(paths.download);
        return;
    }
#endif

    DeleteFileA(paths.staged);
    // Should this fail (a folder of that name, say), whatever sits at the
    // staged path is not this download and must not become the marker. The
    // complete download stays and the next run picks it up again.
    if (!MoveFileA(paths.download, paths.staged))
        return;

    DeleteFileA(paths.marker);
    // The record is what keeps a file from being fetched again, so it is
    // written only once the marker really holds the new content.
    if (MoveFileA(paths.staged, paths.marker))
        SetNewVersion(name, file.GetVersion());
}

} // namespace

unsigned long PRAXEL_THREADCALL FileDownloadThread(void* argument)
{
    EntityStack* entities = static_cast<EntityStack*>(argument);
    if (!entities)
        return 0;

    // Without it every download would fail; an existing one is fine.
    CreateDirectoryA(kStagingDirectory, nullptr);

    while (entities->GetSize() > 0) {
        const Entity entity = entities->Pop();
        const SimpleStack<File>& files = entity.GetFileStack();
        // From the top: for a manifest entity, the document order.
        for (unsigned int i = 0; i < files.GetSize(); ++i) {
            if (const File* file = files.ItemAt(i))
                UpdateOneFile(*file);
        }
    }
    return 0;
}

} // namespace Update
