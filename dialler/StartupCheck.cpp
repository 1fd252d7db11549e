#include "dialler/StartupCheck.h"

#include "dialler/res/resource.h"
#include "utils/StartupCheck.h"

int RunDiallerStartupCheck(HINSTANCE instance)
{
    using startupcheck::HasResource;
    if (!HasResource(instance, RT_GROUP_ICON, IDI_DIALLER) || !HasResource(instance, RT_DIALOG, IDD_DIALLER) ||
        !HasResource(instance, RT_MENU, IDR_TRAY_MENU) || !HasResource(instance, RT_DIALOG, IDD_SETTINGS) ||
        !HasResource(instance, RT_BITMAP, IDB_LOGO))
        return startupcheck::kMissingResource;

    // Loaded as the dialog and tray load them, so a template that is there
    // but cannot be read fails here rather than at the customer's next start.
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_DIALLER));
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    HBITMAP logo = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LOGO));
    const bool loaded = icon && menu && logo;
    if (menu)
        DestroyMenu(menu);
    if (logo)
        DeleteObject(logo);
    return loaded ? startupcheck::kPassed : startupcheck::kMissingResource;
}
