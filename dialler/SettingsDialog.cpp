#include "dialler/SettingsDialog.h"

#include <stdio.h>

#include "dialler/AccessNumbers.h"
#include "dialler/DiallerContext.h"
#include "dialler/WindowPlacement.h"
#include "dialler/res/resource.h"
#include "utils/Utils.h"

namespace {

// The remote-access dial parameters and the context hold 255 characters of
// user name and password; longer entries would be cut when dialling.
constexpr int kMaxCredentialLength = 255;

void FillFromStore(HWND dialog)
{
    ReadCredentials();
    SendDlgItemMessageA(dialog, IDC_USERNAME, EM_LIMITTEXT, kMaxCredentialLength, 0);
    SendDlgItemMessageA(dialog, IDC_PASSWORD, EM_LIMITTEXT, kMaxCredentialLength, 0);
    SetDlgItemTextA(dialog, IDC_USERNAME, g_dialler.userName);
    SetDlgItemTextA(dialog, IDC_PASSWORD, g_dialler.password);
}

void StoreEntries(HWND dialog)
{
    char userName[UTILS_SETTING_BUFFER] = "";
    char password[UTILS_SETTING_BUFFER] = "";
    GetDlgItemTextA(dialog, IDC_USERNAME, userName, sizeof(userName));
    GetDlgItemTextA(dialog, IDC_PASSWORD, password, sizeof(password));
    // Connect re-reads the store, so the context is left as it is.
    SetAppSettings(userName, password, nullptr, nullptr, nullptr, nullptr);
    SecureZeroMemory(password, sizeof password);
}

} // namespace

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FillFromStore(dialog);
        CenterWindowOnScreen(dialog);
        SetForegroundWindow(dialog);
        SetFocus(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            StoreEntries(dialog);
            EndDialog(dialog, IDOK);
            return FALSE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return FALSE;
        default:
            return DefWindowProcA(dialog, message, wParam, lParam);
        }
    default:
        return FALSE;
    }
}

INT_PTR RunSettingsDialog(HWND owner)
{
    return DialogBoxParamA(g_dialler.instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc, 0);
}
