#include "FileSteps.h"

#include <cwchar>

#include "PathText.h"
#include "utils/ScopedHandle.h"

namespace switcher {

namespace {

StepHook stepHook = nullptr;

} // namespace

bool Present(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsRegularFile(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

const wchar_t* NameOf(const wchar_t* path)
{
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

bool ReplaceWith(const wchar_t* from, const wchar_t* to)
{
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

const wchar_t kAsidePattern[] = L"*.uo-";

bool PutInPlace(const wchar_t* from, const wchar_t* to, const wchar_t* aside, bool mapped, bool* stopped)
{
    ClearReadOnly(to);
    if (!mapped && ReplaceWith(from, to))
        return true;
    if (!Present(to))
        return ReplaceWith(from, to);
    ClearReadOnly(aside);
    if (!ReplaceWith(to, aside))
        return false;
    if (!Continue(InstallStep::MovedAside)) {
        *stopped = true;
        return false;
    }
    if (ReplaceWith(from, to))
        return true;
    ReplaceWith(aside, to);
    return false;
}

void AsideOf(const wchar_t* staged, wchar_t* aside)
{
    PathText(aside, kPathBuffer).Add(staged);
    const std::size_t length = std::wcslen(aside);
    if (length > 0)
        aside[length - 1] = L'-';
}

void ClearReadOnly(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool RemoveFile(const wchar_t* path)
{
    ClearReadOnly(path);
    return DeleteFileW(path) || !Present(path);
}

bool FlushFile(const wchar_t* path)
{
    FileHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file && FlushFileBuffers(file.Get());
}

bool CopyDurably(const wchar_t* from, const wchar_t* to, bool failIfExists)
{
    if (!CopyFileW(from, to, failIfExists ? TRUE : FALSE))
        return false;
    // The copy takes the read-only mark of its source; without it, it can be
    // flushed now and deleted later.
    ClearReadOnly(to);
    return FlushFile(to);
}

void SetStepHookForTest(StepHook hook)
{
    stepHook = hook;
}

bool Continue(InstallStep step)
{
    return !stepHook || stepHook(step);
}

bool InFolder(const wchar_t* directory, const wchar_t* name, wchar_t* out, std::size_t size)
{
    const std::size_t length = std::wcslen(directory);
    const wchar_t* separator = (length > 0 && directory[length - 1] == L'\\') ? L"" : L"\\";
    return PathText(out, size).Add(directory).Add(separator).Add(name).Fits();
}

} // namespace switcher
