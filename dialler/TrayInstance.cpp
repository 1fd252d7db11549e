// The program's one tray icon object, built before the main dialog exists.
#include "dialler/DiallerContext.h"
#include "dialler/TrayIcon.h"

NotifyAreaIcon g_trayIcon;

namespace {

// g_dialler is zero-initialised before any dynamic initialisation runs, so
// storing into it here is safe whatever the order of the source files.
struct TrayRegistration {
    TrayRegistration() { g_dialler.tray = &g_trayIcon; }
} g_trayRegistration;

} // namespace
