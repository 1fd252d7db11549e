#include "dialler/AboutBox.h"

#include "utils/ProductVersion.h"

void ShowAboutBox(HWND owner)
{
    MessageBoxA(owner, TOVRIN_PRODUCT_NAME "\n" TOVRIN_COPYRIGHT, "About Tovrin", MB_OK | MB_ICONINFORMATION);
}
