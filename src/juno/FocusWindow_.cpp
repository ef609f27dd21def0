#include "juno/FocusWindow_.h"

#include "app/App.h"

namespace pocketry::FocusWindow_ {

using namespace platform;

Hwnd FocusWindow(App& app, Hwnd hWnd, std::int32_t WaitSeconds, bool RestoreIfMinimized) {
    Windows& w = app.api.windows;
    const Hwnd prev = w.GetForegroundWindow();
    // A window whose thread has stopped answering is left alone: handing it
    // the foreground or showing it would wait on that thread.
    if (!w.IsWindow(hWnd) || hWnd == prev || w.IsHungAppWindow(hWnd)) {
        return prev;
    }
    const std::uint32_t prevThread = w.GetWindowThreadProcessId(prev);
    const std::uint32_t thread = w.GetWindowThreadProcessId(hWnd);
    if (prevThread != thread) {
        // Sharing input state with the foreground thread lets this process
        // hand the foreground on.
        w.AttachThreadInput(prevThread, thread, true);
        w.SetForegroundWindow(hWnd);
        w.AttachThreadInput(prevThread, thread, false);
    } else {
        w.SetForegroundWindow(hWnd);
    }
    if (RestoreIfMinimized && w.IsIconic(hWnd)) {
        w.ShowWindowAsync(hWnd, SW_RESTORE);
    }
    w.ShowWindowAsync(hWnd, SW_SHOW);
    if (WaitSeconds > 0) {
        app.api.kernel.Sleep(static_cast<std::uint32_t>(WaitSeconds) * 1000u);
    }
    return prev;
}

} // namespace pocketry::FocusWindow_
