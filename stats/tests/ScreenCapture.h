#pragma once
// Saves a rectangle of the screen as a PNG file, for looking at the window
// by eye after a test run.
#include <windows.h>

#include <string>

namespace stats_test {

// The folder named by TOVRIN_SCREENSHOT_DIR (created if missing), or empty
// when the variable is not set.
std::string ScreenshotFolder();

// Captures area of the screen into folder\name; false on any failure.
bool SaveScreenPng(const RECT& area, const std::string& path);

} // namespace stats_test
