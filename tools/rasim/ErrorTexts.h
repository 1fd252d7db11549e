#pragma once
// Texts of the remote-access error codes, as the service words them.

namespace rasim {

// The text for a code, or nullptr when the service has none for it.
const char* ErrorText(unsigned long code);

}  // namespace rasim
