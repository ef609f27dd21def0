// The least a Windows GUI program can be: one window and a message loop. bench.py measures it
// beside Pocketry.exe so Pocketry's idle cost can be read against what Wine itself costs.
#include <windows.h>

namespace {

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = "PocketryBenchBare";
    if (RegisterClassA(&wc) == 0)
        return 1;
    // Left hidden, as Pocketry's main window is while it sits in the tray.
    if (CreateWindowExA(0, wc.lpszClassName, "Bench Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 300, 200, nullptr, nullptr, instance, nullptr) == nullptr)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
