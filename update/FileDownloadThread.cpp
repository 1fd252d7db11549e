#include "update/FileDownloadThread.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <new>

#include "update/BareFileName.h"
#include "update/FileFetch.h"
#include "update/PendingList.h"
#include "update/StagingPaths.h"
#include "update/StaleDownloads.h"
#include "update/UpdateModel.h"
#include "utils/Utils.h"

namespace Update {

namespace {

// The record holds 15 characters: a longer version text would be stored cut,
// read back as a smaller version and fetched again at every connection.
bool VersionFitsRecord(const VersionHandler& version)
{
    return std::snprintf(nullptr, 0, "%u.%u.%u", static_cast<unsigned>(version.Major()),
                         static_cast<unsigned>(version.Minor()), static_cast<unsigned>(version.Revision())) <= 15;
}

// A file that could never be staged: its entity is then no whole release.
bool IsRefused(const File& file)
{
    const char* name = file.GetName();
    if (!IsBareFileName(name) || IsStagingName(name) || !VersionFitsRecord(file.GetVersion()) ||
        !file.HasUsableSize())
        return true;
#if defined(TOVRIN_SIGNED_UPDATES)
    if (!file.HasSha256())
        return true;
#endif
    return false;
}

// A download that cannot become its marker goes back where the next run
// checks it.
bool PlaceMarker(const StagingPaths& paths)
{
    DeleteFileA(paths.staged);
    // Should this fail (a folder of that name, say), whatever sits at the
    // staged path is not this download and must not become the marker.
    if (!MoveFileA(paths.download, paths.staged))
        return false;
    DeleteFileA(paths.marker);
    if (MoveFileA(paths.staged, paths.marker))
        return true;
    MoveFileA(paths.staged, paths.download);
    return false;
}

// Turns complete downloads into markers, all of them or none. The list
// guards the renames: should the process end between two of them, the next
// run deletes the markers it names and switcher.exe installs nothing.
bool PlaceMarkers(const StagingPaths* paths, unsigned int count)
{
    if (!WritePendingList(paths, count))
        return false;
    unsigned int placed = 0;
    while (placed < count && PlaceMarker(paths[placed]))
        ++placed;
    if (placed == count)
        return RemovePendingList();

    // Back to complete downloads, which the next run checks rather than
    // fetches again. Whatever cannot go back stays under the list.
    bool restored = true;
    for (unsigned int i = 0; i < placed; ++i)
        restored = MoveFileA(paths[i].marker, paths[i].download) && restored;
    if (restored)
        RemovePendingList();
    return false;
}

// The files of one entity that need an update form one release: they are
// staged and recorded together, or not at all, since programs of two
// releases side by side may not start. Files that need no update are not
// part of it.
void UpdateEntity(const Entity& entity)
{
    const SimpleStack<File>& files = entity.GetFileStack();
    const unsigned int count = files.GetSize();
    for (unsigned int i = 0; i < count; ++i) {
        const File* file = files.ItemAt(i);
        if (!file || IsRefused(*file))
            return;
    }

    std::unique_ptr<const File*[]> needed(new (std::nothrow) const File*[count]);
    std::unique_ptr<StagingPaths[]> paths(new (std::nothrow) StagingPaths[count]);
    if (!needed || !paths)
        return;
    unsigned int neededCount = 0;
    bool complete = true;
    // From the top: for a manifest entity, the document order. A failure
    // does not stop the others: their complete downloads wait for the next
    // run.
    for (unsigned int i = 0; i < count; ++i) {
        const File& file = *files.ItemAt(i);
        if (!NeedUpdate(file.GetName(), file.GetVersion()))
            continue;
        StagingPaths& filePaths = paths[neededCount];
        if (!FormatStagingPaths(file.GetName(), file.GetVersion().ToString(), filePaths) ||
            !FetchFile(file, filePaths)) {
            complete = false;
            continue;
        }
        needed[neededCount++] = &file;
    }
    if (!complete || neededCount == 0 || !PlaceMarkers(paths.get(), neededCount))
        return;

    // The record is what keeps a file from being fetched again, so it is
    // written only once the whole set really is in place.
    for (unsigned int i = 0; i < neededCount; ++i)
        SetNewVersion(needed[i]->GetName(), needed[i]->GetVersion());
}

} // namespace

unsigned long PRAXEL_THREADCALL FileDownloadThread(void* argument)
{
    EntityStack* entities = static_cast<EntityStack*>(argument);
    if (!entities)
        return 0;

    // Without it every download would fail; an existing one is fine.
    CreateDirectoryA(kStagingDirectory, nullptr);
    // A set cut off half-way by an earlier run is taken back first; while
    // that fails, its list must not be overwritten by a new one.
    const bool mayStage = RecoverPendingList();
    RemoveStaleDownloads(*entities);

    while (entities->GetSize() > 0) {
        const Entity entity = entities->Pop();
        if (mayStage)
            UpdateEntity(entity);
    }
    return 0;
}

} // namespace Update
