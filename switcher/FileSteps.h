#pragma once
// The file operations the install is made of, each one step a test can stop
// at as if the process had died there.
#include <windows.h>

#include <cstddef>

#include "StagedInstall.h"

namespace switcher {

const std::size_t kPathBuffer = MAX_PATH;

bool Present(const wchar_t* path);
// Only a regular file is a target: a folder moved away would take, for one,
// the staging folder with it and make every later download fail.
bool IsRegularFile(const wchar_t* path);
const wchar_t* NameOf(const wchar_t* path);

// Puts `from` in place of `to` in one step, so `to` exists at every instant.
bool ReplaceWith(const wchar_t* from, const wchar_t* to);
// Puts `from` in place of `to`. Windows will not replace the file of a
// running program but will rename it, so where the one-step replace fails
// (or with mapped, for the switcher's own file, without trying it) `to` is
// renamed to `aside` first; a later run removes what is left there. A stop
// asked for by a test sets *stopped.
bool PutInPlace(const wchar_t* from, const wchar_t* to, const wchar_t* aside, bool mapped, bool* stopped);
// The name a target is renamed to while its program may still run: the
// staged name with its last character made "-", which "*.uok" never lists.
void AsideOf(const wchar_t* staged, wchar_t* aside);
extern const wchar_t kAsidePattern[];

// Files copied from a CD or a backup are often read-only: Windows refuses to
// delete or replace those, and a read-only leftover would block every later
// install of its name.
void ClearReadOnly(const wchar_t* path);
// Deletes the file, read-only or not; false when it is still there.
bool RemoveFile(const wchar_t* path);
// The file's content on the disk before this returns.
bool FlushFile(const wchar_t* path);
// A copy flushed to the disk before this returns: the journal written after
// it may only name copies that are whole.
bool CopyDurably(const wchar_t* from, const wchar_t* to, bool failIfExists);

// False when a test has asked to stop here.
bool Continue(InstallStep step);

// directory, a backslash unless it ends with one, and name; false when the
// whole does not fit size characters.
bool InFolder(const wchar_t* directory, const wchar_t* name, wchar_t* out, std::size_t size);

} // namespace switcher
