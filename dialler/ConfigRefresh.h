#pragma once
// The configuration refresh run after each connection: asks the provider for
// new settings and an update manifest, stores the settings, then downloads
// and stages newer files.
#include <windows.h>

namespace Update {
class PropertyStack;
}

// Thread procedure; the argument is a RefreshRequest its caller keeps alive
// until the thread ends. Ends with 0, only once the download of newer files
// has ended too. Nothing is stored or downloaded when the server cannot be
// reached or its answer does not parse.
unsigned long WINAPI RefreshConfigThread(void* request);

// Stores the properties the dialler understands (popping them all):
// FreePhone / LocalRatePhone replace their whole list, HomePage and
// UpdatePage only when ValidateURL accepts them, UserStatURLInterval and
// BannerURL as they are. Names compare without regard to case.
void StoreRefreshedProperties(Update::PropertyStack& properties);
