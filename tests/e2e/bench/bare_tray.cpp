// The least a tray program that watches Juno can be: a hidden window, a message loop, one tray
// icon, and a 500 ms timer that looks for Juno's main window and its two mail dialogs with three
// FindWindowA calls. bench.py measures it beside Pocketry.exe as the floor of what Pocketry
// must do while it sits in the tray.
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr UINT kTrayCallback = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 500;

volatile LONG_PTR g_seen = 0; // keeps the calls from being optimised away

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_TIMER:
        g_seen = reinterpret_cast<LONG_PTR>(FindWindowA("JunoMainWndXQW21", nullptr)) ^
                 reinterpret_cast<LONG_PTR>(FindWindowA("#32770", "Get New Mail")) ^
                 reinterpret_cast<LONG_PTR>(FindWindowA("#32770", "Get and Send Mail"));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = "PocketryBenchBareTray";
    if (RegisterClassA(&wc) == 0)
        return 1;
    HWND hwnd =
        CreateWindowExA(0, wc.lpszClassName, "Bench Bare Tray", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 300, 200, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr)
        return 1;
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hwnd;
    nid.uID = 1;
    nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = kTrayCallback;
    nid.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    lstrcpynA(nid.szTip, "Bench Bare Tray", sizeof nid.szTip);
    if (Shell_NotifyIconA(NIM_ADD, &nid) == 0)
        return 1;
    if (SetTimer(hwnd, kTimerId, kTimerMs, nullptr) == 0)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    KillTimer(hwnd, kTimerId);
    Shell_NotifyIconA(NIM_DELETE, &nid);
    return static_cast<int>(msg.wParam);
}
