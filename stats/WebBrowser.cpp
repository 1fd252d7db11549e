#include "stats/WebBrowser.h"

#include <exdisp.h>

#include "utils/Utils.h"

const char kBrowserHostClass[] = "TovrinBannerHost";
const char kBrowserCreatedProperty[] = "TovrinBrowserControl";
const char kNavigateCountProperty[] = "TovrinBannerNavigations";

namespace {

// The control's Navigate method in its dispatch interface.
const DISPID kDispidNavigate = 104;
// Longest address the settings store hands out, terminator included.
const int kMaxAddress = UTILS_SETTING_BUFFER;

bool RegisterHostClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    if (GetClassInfoA(instance, kBrowserHostClass, &wc))
        return true;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kBrowserHostClass;
    return RegisterClassA(&wc) != 0;
}

// A BSTR owner, so every path frees the converted address.
class ScopedBstr {
public:
    explicit ScopedBstr(const char* text)
    {
        wchar_t wide[kMaxAddress];
        if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kMaxAddress) > 0)
            value = SysAllocString(wide);
    }
    ~ScopedBstr() { SysFreeString(value); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR Get() const { return value; }

private:
    BSTR value = nullptr;
};

} // namespace

CWebBrowser::~CWebBrowser()
{
    Destroy();
}

bool CWebBrowser::Create(HWND dialog, int placeholderId)
{
    if (!CreateHost(dialog, placeholderId))
        return false;
    if (!CreateControl(dialog)) {
        Destroy();
        return false;
    }
    SetPropA(host, kBrowserCreatedProperty, reinterpret_cast<HANDLE>(1));
    return true;
}

bool CWebBrowser::CreateHost(HWND dialog, int placeholderId)
{
    HWND placeholder = GetDlgItem(dialog, placeholderId);
    if (!placeholder)
        return false;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    if (!RegisterHostClass(instance))
        return false;
    RECT area;
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    host = CreateWindowExA(0, kBrowserHostClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                           area.left, area.top, area.right - area.left, area.bottom - area.top,
                           dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(placeholderId)),
                           instance, nullptr);
    if (!host)
        return false;
    // Same place in the tab and paint order as the placeholder had.
    SetWindowPos(host, placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(placeholder);
    return true;
}

bool CWebBrowser::CreateControl(HWND dialog)
{
    site.reset(new BrowserSite(host, dialog));
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                oleObject.Receive())))
        return false;
    if (FAILED(oleObject->SetClientSite(static_cast<IOleClientSite*>(site.get()))))
        return false;
    OleSetContainedObject(oleObject.Get(), TRUE);
    RECT area;
    GetClientRect(host, &area);
    if (FAILED(oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                 static_cast<IOleClientSite*>(site.get()), 0, host, &area)))
        return false;
    return SUCCEEDED(oleObject->QueryInterface(IID_IDispatch, dispatch.Receive()));
}

bool CWebBrowser::Navigate(const char* address)
{
    if (!address)
        return false;
    // Recorded first, so the request is visible even without a control.
    if (host) {
        SetWindowTextA(host, address);
        const UINT_PTR count = reinterpret_cast<UINT_PTR>(GetPropA(host, kNavigateCountProperty));
        SetPropA(host, kNavigateCountProperty, reinterpret_cast<HANDLE>(count + 1));
    }
    if (!dispatch)
        return false;
    ScopedBstr url(address);
    if (!url.Get())
        return false;
    VARIANT empty[4];
    for (VARIANT& v : empty)
        VariantInit(&v);
    // Arguments go in reverse order: rgvarg[4] is the first (the address),
    // then flags, target frame name, post data and headers by reference.
    VARIANTARG arguments[5];
    for (int i = 0; i < 4; ++i) {
        VariantInit(&arguments[i]);
        arguments[i].vt = VT_VARIANT | VT_BYREF;
        arguments[i].pvarVal = &empty[3 - i];
    }
    VariantInit(&arguments[4]);
    arguments[4].vt = VT_BSTR;
    arguments[4].bstrVal = url.Get();
    DISPPARAMS params = {arguments, nullptr, 5, 0};
    HRESULT result = dispatch->Invoke(kDispidNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                      &params, nullptr, nullptr, nullptr);
    return SUCCEEDED(result);
}

void CWebBrowser::Destroy()
{
    dispatch.Reset();
    if (oleObject) {
        oleObject->Close(OLECLOSE_NOSAVE);
        oleObject->SetClientSite(nullptr);
        oleObject.Reset();
    }
    site.reset();
    if (host && IsWindow(host)) {
        RemovePropA(host, kBrowserCreatedProperty);
        RemovePropA(host, kNavigateCountProperty);
    }
}
