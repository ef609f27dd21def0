#include "tray/Subclass_.h"

#include "app/App.h"
#include "app/MainForm.h"
#include "tray/clsTaskBar.h"

namespace pocketry::Subclass_ {

using namespace platform;

bool HookWindow(App& app, Hwnd window) {
    SubclassState& s = app.subclass;
    if (s.OldWindowProc != 0) {
        s.HookCount += 1;
        return true;
    }
    s.OldWindowProc = app.api.windows.SetWindowLongA(
        window, GWL_WNDPROC, app.api.windows.AddressOfWindowProc(&WindowProc));
    if (s.OldWindowProc != 0) {
        s.HookCount = 1;
        return true;
    }
    app.api.ui.MsgBox("Window subclassing could not be initiated, "
                      "and as a result some program features will not "
                      "be available." +
                          kCrLf + kCrLf +
                          "This indicates a current underlying "
                          "Windows problem, and it is probably "
                          "best if you restart Windows soon.",
                      MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND, kTitle);
    return false;
}

void UnhookWindow(App& app, Hwnd window) {
    SubclassState& s = app.subclass;
    if (s.OldWindowProc == 0) {
        s.HookCount = 0;
        return;
    }
    if (s.HookCount == 1) {
        app.api.windows.SetWindowLongA(window, GWL_WNDPROC, s.OldWindowProc);
        s.OldWindowProc = 0;
    }
    s.HookCount -= 1;
}

std::intptr_t WindowProc(Hwnd hWnd, std::uint32_t uMsg, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    App* app = App::Current();
    if (app == nullptr) {
        return 0;
    }
    try {
        clsTaskBar& taskBar = app->TaskBar();
        // Before the first icon the callback message is still 0, which must
        // not swallow WM_NULL.
        if (taskBar.CallbackMessage() != 0 && uMsg == taskBar.CallbackMessage()) {
            if (app->mainForm != nullptr) {
                app->mainForm->TaskBarHandler(static_cast<std::int32_t>(lParam));
            }
            return 0;
        }
        if (app->mainForm != nullptr && uMsg != 0 &&
            uMsg == app->mainForm->TaskbarCreatedMessage()) {
            app->mainForm->TaskbarCreated();
        }
        return app->api.windows.CallWindowProcA(app->subclass.OldWindowProc, hWnd, uMsg, wParam,
                                                lParam);
    } catch (...) {
        // Nothing may leave a window procedure.
        return 0;
    }
}

} // namespace pocketry::Subclass_
