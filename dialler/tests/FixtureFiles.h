#pragma once
// Fixture files kept beside the tests; the build hands their folder in as a
// Unix path, which Wine reaches through drive Z:.
#include <string>

// The whole file dialler/tests/fixtures/<name>; empty when unreadable.
std::string ReadFixture(const std::string& name);

// A Unix path as a Windows program sees it.
std::string WinePath(const std::string& unixPath);
