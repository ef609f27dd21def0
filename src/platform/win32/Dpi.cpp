#include "platform/win32/Dpi.h"

namespace pocketry::platform::win32::dpi {

namespace {

// A function of a module the process has loaded already (user32, and the
// common controls it is linked with), or null on a Windows without it.
template <typename F> F Export(HMODULE module, const char* name) {
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

HMODULE User32() {
    static const HMODULE module = ::GetModuleHandleW(L"user32.dll");
    return module;
}

// The common controls the program is bound to: the side-by-side version 6
// that the manifest asks for, found by one of its imported functions rather
// than by a name that could match another copy.
HMODULE CommonControls() {
    static const HMODULE module = [] {
        HMODULE found = nullptr;
        ::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&::SetWindowSubclass)), &found);
        return found;
    }();
    return module;
}

} // namespace

UINT ForWindow(HWND hwnd, UINT fallback) {
    using Fn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = Export<Fn>(User32(), "GetDpiForWindow");
    const UINT found = getDpiForWindow != nullptr && hwnd != nullptr ? getDpiForWindow(hwnd) : 0;
    return found != 0 ? found : fallback;
}

int Metric(int index, UINT dpi, UINT systemDpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const auto forDpi = Export<Fn>(User32(), "GetSystemMetricsForDpi");
    if (forDpi != nullptr)
        return forDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(systemDpi));
}

RECT OuterRect(RECT rect, DWORD style, DWORD exStyle, UINT dpi) {
    using Fn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto forDpi = Export<Fn>(User32(), "AdjustWindowRectExForDpi");
    if (forDpi == nullptr || forDpi(&rect, style, FALSE, exStyle, dpi) == 0) {
        // Without it the frame is the system DPI's: all there is on such a Windows.
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

HICON IconAt(HINSTANCE instance, int id, int size) {
    using Fn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scaleDown = Export<Fn>(CommonControls(), "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (scaleDown != nullptr &&
        SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(id), size, size, &icon)))
        return icon;
    return static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

int TrayIconSize(UINT systemDpi) {
    const HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    return Metric(SM_CXSMICON, ForWindow(taskbar, systemDpi), systemDpi);
}

} // namespace pocketry::platform::win32::dpi
