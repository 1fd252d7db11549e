#include "dialler/WindowPlacement.h"

void CenterWindowOnScreen(HWND window)
{
    RECT frame;
    if (!GetWindowRect(window, &frame))
        return;
    HDC screen = GetDC(window);
    int screenWidth = GetDeviceCaps(screen, HORZRES);
    int screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(window, screen);

    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}
