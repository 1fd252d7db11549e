#pragma once
// A fresh, empty folder under the temporary folder for one test, and its
// removal with everything below it.
#include <string>

namespace scratch {

// An absolute path (ASCII: made from the temporary folder and a unique name);
// empty when no folder could be made.
std::string MakeDirectory(const char* prefix);
// dir in the ANSI code page, as the narrow calls give it.
void RemoveTree(const std::string& dir);
// Any folder, named in any script.
void RemoveTree(const std::wstring& dir);

} // namespace scratch
