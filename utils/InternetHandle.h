#pragma once
#include <windows.h>
#include <wininet.h>

#include "ScopedHandle.h"

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { InternetCloseHandle(h); }
};

using InternetHandle = ScopedHandle<InternetHandleTraits>;
