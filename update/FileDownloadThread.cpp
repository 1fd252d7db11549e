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
#include "utils/SwitcherRunLock.h"
#include "utils/Utils.h"

namespace Update {

namespace {

// A switcher run normally ends within a few seconds; one that holds its lock
// longer leaves this run's complete downloads for the next connection.
const DWORD kSwitcherLockWaitMs = 5000;

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

bool IsPlainFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An earlier release's marker set aside by PlaceMarker goes back as it was.
bool RestoreEarlierMarker(const StagingPaths& paths)
{
    return !IsPlainFile(paths.earlier) || MoveFileA(paths.earlier, paths.marker);
}

// A download that cannot become its marker goes back where the next run
// checks it. A marker of an earlier release under the same name is only
// moved aside: should a later file of the set fail, it must be there again,
// recorded and untouched.
bool PlaceMarker(const StagingPaths& paths)
{
    DeleteFileA(paths.staged);
    // Should this fail (a folder of that name, say), whatever sits at the
    // staged path is not this download and must not become the marker.
    if (!MoveFileA(paths.download, paths.staged))
        return false;
    // Left by a run that ended once its set was whole.
    DeleteFileA(paths.earlier);
    // A folder at the marker path is no marker: the rename below fails on it.
    if (IsPlainFile(paths.marker) && !MoveFileA(paths.marker, paths.earlier)) {
        MoveFileA(paths.staged, paths.download);
        return false;
    }
    if (MoveFileA(paths.staged, paths.marker))
        return true;
    MoveFileA(paths.staged, paths.download);
    RestoreEarlierMarker(paths);
    return false;
}

// Turns complete downloads into markers, all of them or none. The list
// guards the renames: should the process end between two of them, the next
// run deletes the markers it names, puts back the earlier ones set aside,
// and switcher.exe installs nothing meanwhile.
bool PlaceMarkers(const StagingPaths* paths, unsigned int count)
{
    if (!WritePendingList(paths, count))
        return false;
    unsigned int placed = 0;
    while (placed < count && PlaceMarker(paths[placed]))
        ++placed;
    if (placed == count) {
        if (!RemovePendingList())
            return false;
        // Replaced for good only once no list could bring them back.
        for (unsigned int i = 0; i < count; ++i)
            DeleteFileA(paths[i].earlier);
        return true;
    }

    // Back to complete downloads, which the next run checks rather than
    // fetches again. Whatever cannot go back stays under the list.
    bool restored = true;
    for (unsigned int i = 0; i < placed; ++i)
        restored = MoveFileA(paths[i].marker, paths[i].download) && RestoreEarlierMarker(paths[i]) && restored;
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
    if (!complete || neededCount == 0)
        return;
    // The lock keeps a switcher run from listing the set half-renamed; a run
    // then finds the markers and their records together.
    SwitcherRunLock lock(kSwitcherLockWaitMs);
    if (!lock.Held() || !PlaceMarkers(paths.get(), neededCount))
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
    // No lock is needed for it: switcher.exe installs nothing while the list
    // is there.
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
