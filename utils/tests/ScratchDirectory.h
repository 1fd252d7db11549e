#pragma once
// A fresh, empty folder under the temporary folder for one test, and its
// removal with everything below it.
#include <string>

namespace scratch {

// An absolute path (ASCII: made from the temporary folder and a unique name);
// empty when no folder could be made.
std::string MakeDirectory(const char* prefix);
void RemoveTree(const std::string& dir);

} // namespace scratch
