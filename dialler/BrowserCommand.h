#pragma once
// Turning a registered browser command template into a command line.
// Portable: tested natively.
#include <stddef.h>

// Cuts commandTemplate at its "%1" placeholder (at the opening quote when the
// placeholder is quoted, as "%1") and appends a blank and url. Whatever
// followed the placeholder is dropped. Writes at most outSize bytes, always
// terminated; returns false when the result had to be cut short.
bool BuildBrowserCommand(const char* commandTemplate, const char* url, char* out, size_t outSize);

// The same in UTF-16, for a browser installed under a path outside the ANSI
// code page (outSize counts wide characters). Leaves out empty when the
// result does not fit.
bool BuildBrowserCommand(const wchar_t* commandTemplate, const wchar_t* url, wchar_t* out, size_t outSize);
