#pragma once
// A picture of the whole test display, for looking at a failure afterwards.
#include <string>

namespace guidriver {

// Saves the X display the program runs on as an image at a Unix path (its
// type follows the extension, for example ".png"). Uses the host's
// ImageMagick through Wine's "start /unix"; false when that fails.
bool TakeScreenshot(const std::string& unixPath);

}  // namespace guidriver
