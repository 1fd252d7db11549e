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
// A copy flushed to the disk before this returns: the journal written after
// it may only name copies that are whole.
bool CopyDurably(const wchar_t* from, const wchar_t* to, bool failIfExists);

// False when a test has asked to stop here.
bool Continue(InstallStep step);

// directory, a backslash unless it ends with one, and name; false when the
// whole does not fit size characters.
bool InFolder(const wchar_t* directory, const wchar_t* name, wchar_t* out, std::size_t size);

} // namespace switcher
