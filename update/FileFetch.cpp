#include "update/FileFetch.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "update/AnswerVerify.h"
#include "update/FetchForms.h"
#include "update/GzipFile.h"
#include "update/PatchApply.h"
#include "update/PatchBase.h"
#include "update/UpdateModel.h"
#include "utils/ConnectionLog.h"
#include "utils/ScopedHandle.h"
#include "utils/Utils.h"

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

bool IsPlainFile(const char* path, unsigned long long* length)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (length)
        *length = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Without sha256 (a keyless build's answer) only the length can tell.
bool MatchesDigest(const char* path, const File& file)
{
    if (!file.HasSha256())
        return true;
    unsigned char digest[kDigestSize];
    return FileSha256(path, digest) && std::memcmp(digest, file.GetSha256(), kDigestSize) == 0;
}

// A final result that fails its digest is deleted, so nothing resumes it.
bool KeepIfChecked(const char* path, const File& file)
{
    if (MatchesDigest(path, file))
        return true;
    DeleteFileA(path);
    return false;
}

// DownloadFile flushes a plain download before it reports it; an unpacked or patched
// result is written through the C runtime and could still sit in the cache
// when it becomes a marker, so a power cut then would leave the switcher a
// program of the right length full of zeros. One that cannot be flushed is
// deleted, so no later run takes it as complete.
bool FlushToDisk(const char* path)
{
    bool flushed = false;
    {
        FileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        flushed = file && FlushFileBuffers(file.Get());
    }
    if (!flushed)
        DeleteFileA(path);
    return flushed;
}

// A patch applies just as cleanly to a changed local file and then gives
// wrong bytes, so it is only worth fetching where the digest can tell.
bool PatchApplies(const File& file, const char* installedPath)
{
    return file.HasPatch() && file.HasSha256() && IsPlainFile(installedPath, nullptr) &&
           PatchBaseMatches(file.GetName(), file.GetPatchFrom());
}

// An earlier run's complete result, waiting for the rest of its release.
bool HasCheckedResult(const File& file, const StagingPaths& paths)
{
    unsigned long long length = 0;
    if (!IsPlainFile(paths.download, &length))
        return false;
    if (length != file.GetSize()) {
        // Not a result of ours: a partial plain download, resumed below.
        return false;
    }
    return KeepIfChecked(paths.download, file);
}

bool TryPlain(const File& file, const FormSource& source)
{
    if (!DownloadFile(source.url, source.download, source.size)) {
        RemoveIfEmpty(source.download);
        return false;
    }
    return KeepIfChecked(source.download, file);
}

// The downloaded form goes either way: turned into the result, or refused.
bool TryPacked(const File& file, FetchForm form, const FormSource& source, const StagingPaths& paths,
               const char* installedPath)
{
    if (!DownloadFile(source.url, source.download, source.size)) {
        RemoveIfEmpty(source.download);
        return false;
    }
    const UnpackResult result = form == FetchForm::Patch
                                    ? ApplyPatchFile(installedPath, source.download, file.GetSize(), paths.download)
                                    : GunzipFile(source.download, file.GetSize(), paths.download);
    DeleteFileA(source.download);
    return result == UnpackResult::Ok && FlushToDisk(paths.download) && KeepIfChecked(paths.download, file);
}

} // namespace

bool FetchFile(const File& file, const StagingPaths& paths)
{
    const bool offersSmaller = file.HasPatch() || file.GetGzSize() != 0;
    const char* name = file.GetName();
    const char* version = file.GetVersion().ToString();
    tovrinlog::Write("update: %s %s offered", name, version);
    // Answers without smaller forms go straight to url, as they always did.
    if (offersSmaller && HasCheckedResult(file, paths)) {
        tovrinlog::Write("update: %s %s already fetched", name, version);
        return true;
    }

    char installedPath[kLocalPathBuffer];
    const int written = std::snprintf(installedPath, sizeof installedPath, ".\\%s", file.GetName());
    const bool installedPathFits = written > 0 && static_cast<size_t>(written) < sizeof installedPath;

    static const FetchForm kOrder[] = {FetchForm::Patch, FetchForm::Gzip, FetchForm::Plain};
    FormSource source;
    for (FetchForm form : kOrder) {
        if (form == FetchForm::Patch && (!installedPathFits || !PatchApplies(file, installedPath)))
            continue;
        if (!FormatFormSource(file, form, paths, source))
            continue;
        const bool fetched =
            form == FetchForm::Plain ? TryPlain(file, source) : TryPacked(file, form, source, paths, installedPath);
        static const char* const kFormNames[] = {"patch", "gz", "plain"};
        tovrinlog::Write("update: %s %s as %s, %lu bytes: %s", name, version, kFormNames[static_cast<int>(form)],
                         static_cast<unsigned long>(source.size), fetched ? "fetched and checked" : "failed");
        if (fetched)
            return true;
    }
    return false;
}

} // namespace Update
