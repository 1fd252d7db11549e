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

bool CopyDurably(const wchar_t* from, const wchar_t* to, bool failIfExists)
{
    if (!CopyFileW(from, to, failIfExists ? TRUE : FALSE))
        return false;
    // A read-only file's copy is read-only too and cannot be opened to
    // flush; it is whole all the same, and only a power cut could lose it.
    FileHandle copy(CreateFileW(to, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return !copy || FlushFileBuffers(copy.Get());
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
