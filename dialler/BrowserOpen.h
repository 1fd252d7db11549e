#pragma once
// Opening the provider's home page in the user's web browser.
#include <windows.h>

// Asks the shell to open url; when it cannot, runs the browser registered
// for ".htm" by hand. Returns a result above 32 on success.
INT_PTR OpenInBrowser(const char* url, int showCommand);

// Reads the unnamed value of HKEY_CLASSES_ROOT\keyPath into out (outSize
// bytes, always terminated). Returns 0 or the registry error code.
LONG ReadClassesRootDefault(const char* keyPath, char* out, size_t outSize);
