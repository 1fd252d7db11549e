#include "SwapJournal.h"

#include <cwchar>

#include "PathText.h"
#include "utils/ScopedHandle.h"

namespace switcher {

const wchar_t kJournalName[] = L"switcher.journal";

namespace {

// A journal of our own is a line per staged file; anything larger is not
// read past this.
const DWORD kJournalLimit = 1 << 20;

class HeapBuffer {
public:
    explicit HeapBuffer(DWORD bytes) : data(HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1)) {}
    ~HeapBuffer()
    {
        if (data)
            HeapFree(GetProcessHeap(), 0, data);
    }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;
    void* Get() const { return data; }

private:
    void* data;
};

// A name of a file in the folder itself, never a path leading elsewhere.
bool PlainName(const wchar_t* name, std::size_t length)
{
    if (length == 0 || length >= kPathBuffer)
        return false;
    if ((length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.'))
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (name[i] == L'\\' || name[i] == L'/' || name[i] == L':' || name[i] < L' ')
            return false;
    }
    return true;
}

bool EndsWithStagedExtension(const wchar_t* name, std::size_t length)
{
    return length > 4 && CompareStringOrdinal(name + length - 4, 4, L".uok", 4, TRUE) == CSTR_EQUAL;
}

bool ReadLine(const wchar_t* directory, const wchar_t* line, std::size_t length, SwapSet& set)
{
    const wchar_t* tab = std::wmemchr(line, L'\t', length);
    if (!tab)
        return true;
    const std::size_t stagedLength = static_cast<std::size_t>(tab - line);
    const std::size_t backupLength = length - stagedLength - 1;
    const bool added = backupLength == 0;
    if (!PlainName(line, stagedLength) || (!added && !PlainName(tab + 1, backupLength)) ||
        !EndsWithStagedExtension(line, stagedLength))
        return true;
    wchar_t staged[kPathBuffer];
    wchar_t backup[kPathBuffer];
    if (!PathText(staged, kPathBuffer).Add(line, stagedLength).Fits() ||
        !PathText(backup, kPathBuffer).Add(tab + 1, backupLength).Fits())
        return true;
    SwapEntry entry;
    entry.backup[0] = L'\0';
    if (!InFolder(directory, staged, entry.staged, kPathBuffer) ||
        (!added && !InFolder(directory, backup, entry.backup, kPathBuffer)) ||
        !TargetOfStaged(entry.staged, entry.target, kPathBuffer))
        return true;
    entry.state = SwapState::Unknown;
    entry.added = added;
    entry.mapped = false;
    SwapEntry* slot = set.Add();
    if (!slot)
        return false;
    *slot = entry;
    return true;
}

// The temporary name the new content is copied to before it takes the
// staged name back: the staged name with its last character made "~". It
// fits wherever the staged name does and "*.uok" never lists it.
void TemporaryOf(const wchar_t* staged, wchar_t* temporary)
{
    PathText(temporary, kPathBuffer).Add(staged);
    const std::size_t length = std::wcslen(temporary);
    if (length > 0)
        temporary[length - 1] = L'~';
}

// One entry back to its old target, the new content kept under the staged
// name. Every intermediate state reads back the same way: the staged file
// appears (whole, by rename) before the backup goes, and the backup, a whole
// copy, is moved over the target in one step (or, over a running program,
// with the target renamed aside just before).
bool UndoOne(SwapEntry& entry, bool* stopped)
{
    if (entry.state == SwapState::NotReplaced) {
        if (!entry.added)
            RemoveFile(entry.backup);
        return true;
    }
    const bool replaced = entry.state == SwapState::Replaced || !Present(entry.staged);
    if (replaced) {
        // Without a backup there is no old content to return to; the target
        // keeps the only copy it has.
        if (entry.added ? !Present(entry.target) : !Present(entry.backup)) {
            entry.state = SwapState::NotReplaced;
            return true;
        }
        // A copy, not a rename, so the target stays in place throughout.
        wchar_t temporary[kPathBuffer];
        TemporaryOf(entry.staged, temporary);
        if (!CopyDurably(entry.target, temporary, false) || !ReplaceWith(temporary, entry.staged)) {
            RemoveFile(temporary);
            return false;
        }
        if (!Continue(InstallStep::NewContentKept)) {
            *stopped = true;
            return false;
        }
    }
    wchar_t aside[kPathBuffer];
    AsideOf(entry.staged, aside);
    if (entry.added) {
        // With the staged file present, a target there can only be the
        // copy an undo cut off had made. An added program still running is
        // renamed aside instead.
        if (Present(entry.target) && !RemoveFile(entry.target) && !ReplaceWith(entry.target, aside))
            return false;
    } else if (Present(entry.backup) && !PutInPlace(entry.backup, entry.target, aside, false, stopped)) {
        // Not entry.mapped: the program running may be the one renamed aside
        // by this run, and the new file in its place replaces in one step.
        return false;
    }
    entry.state = SwapState::NotReplaced;
    if (!Continue(InstallStep::Undone)) {
        *stopped = true;
        return false;
    }
    return true;
}

} // namespace

bool WriteJournal(const wchar_t* journalPath, const SwapSet& set)
{
    FileHandle file(
        CreateFileW(journalPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file)
        return false;
    for (const SwapEntry& entry : set) {
        wchar_t line[2 * kPathBuffer + 4];
        PathText(line, sizeof line / sizeof line[0])
            .Add(NameOf(entry.staged))
            .Add(L"\t")
            .Add(entry.added ? L"" : NameOf(entry.backup))
            .Add(L"\r\n");
        const DWORD bytes = static_cast<DWORD>(std::wcslen(line) * sizeof line[0]);
        DWORD written = 0;
        if (!WriteFile(file.Get(), line, bytes, &written, nullptr) || written != bytes)
            return false;
    }
    return FlushFileBuffers(file.Get()) != 0;
}

bool ReadJournal(const wchar_t* directory, const wchar_t* journalPath, SwapSet& set)
{
    FileHandle file(CreateFileW(journalPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size))
        return false;
    const DWORD limit = size.QuadPart < kJournalLimit ? static_cast<DWORD>(size.QuadPart) : kJournalLimit;
    HeapBuffer buffer(limit);
    DWORD read = 0;
    if (!buffer.Get() || !ReadFile(file.Get(), buffer.Get(), limit, &read, nullptr))
        return false;
    const wchar_t* text = static_cast<const wchar_t*>(buffer.Get());
    const std::size_t length = read / sizeof(wchar_t);
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < length; ++i) {
        if (text[i] != L'\r' || text[i + 1] != L'\n')
            continue;
        if (!ReadLine(directory, text + start, i - start, set))
            return false;
        start = i + 2;
        ++i;
    }
    return true;
}

bool UndoSwaps(SwapSet& set, bool* stopped)
{
    bool undone = true;
    // Every entry is tried even after one fails, so as few as possible stay
    // mixed until the next run.
    for (SwapEntry& entry : set) {
        if (!UndoOne(entry, stopped))
            undone = false;
        if (*stopped)
            return false;
    }
    return undone;
}

void CommitSwaps(const SwapSet& set, const wchar_t* journalPath)
{
    // May fail for a backup another process has opened; a later install of
    // the same file removes it.
    for (const SwapEntry& entry : set) {
        if (!entry.added)
            RemoveFile(entry.backup);
    }
    DeleteFileW(journalPath);
}

} // namespace switcher
