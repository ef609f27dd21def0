// The main window's Juno side: is Juno running, the three window commands,
// and the watcher that keeps Juno's mail dialogs from staying on top.

#include "app/App.h"
#include "app/MainForm.h"
#include "juno/FindWindowLike_.h"
#include "juno/FocusWindow_.h"
#include "juno/Wait.h"

namespace pocketry {

using namespace platform;

Hwnd MainForm::FindJunoWindow() {
    const Hwnd main = app_.api.windows.FindWindowA("JunoMainWndXQW21", nullptr);
    if (main != 0) {
        return main;
    }
    // While it starts, Juno shows only its welcome dialog. Without any
    // top-level dialog there is none, and the walk of every window, which
    // each poll of a wait would pay for, is spared.
    if (app_.api.windows.FindWindowA("#32770", nullptr) == 0) {
        return 0;
    }
    return static_cast<Hwnd>(
        FindWindowLike_::FindWindowLike(app_, "[#]32770", "Welcome to Juno*", true));
}

void MainForm::MenuTrayJuno_HideShow_Click() {
    const Hwnd h = FindJunoWindow();
    if (h == 0) {
        return;
    }
    Windows& w = app_.api.windows;
    // Juno's window belongs to another program: its thread carries the
    // command out, and a hung Juno must not take the program with it.
    w.ShowWindowAsync(h, w.IsWindowVisible(h) ? SW_HIDE : SW_SHOW);
}

void MainForm::MenuTrayJuno_MinRes_Click() {
    const Hwnd h = FindJunoWindow();
    if (h == 0) {
        return;
    }
    Windows& w = app_.api.windows;
    w.ShowWindowAsync(h, w.IsIconic(h) ? SW_RESTORE : SW_SHOWMINNOACTIVE);
}

void MainForm::MenuTrayJuno_SwitchTo_Click() {
    const Hwnd h = FindJunoWindow();
    if (h == 0) {
        return;
    }
    app_.api.windows.ShowWindowAsync(h, SW_SHOW);
    FocusWindow_::FocusWindow(app_, h, 0, true);
}

void MainForm::Checker_Timer_Timer() {
    if (!JunoWasRunning) {
        JunoWasRunning = FindJunoWindow() != 0;
        if (JunoWasRunning) {
            MailWindowsNotTopmost();
        }
        return;
    }
    if (FindJunoWindow() != 0) {
        MailWindowsNotTopmost();
        return;
    }
    // Juno's window is gone: give it 30 seconds to come back.
    ChangeTrayPicture("TrayIconWait");
    const bool back = WaitFor(app_, 30, [this] { return FindJunoWindow() != 0; });
    ChangeTrayPicture("TrayIcon");
    if (back) {
        return;
    }
    JunoWasRunning = false;
    const AppSettingsRecord& s = app_.AppSettings;
    if (s.EmptyAdsWhenJunoEnds) {
        EmptyAdsFolder(!s.ExitWhenJunoEnds);
    }
    if (s.ExitWhenJunoEnds) {
        cmdExit_Click();
    }
}

void MainForm::MailWindowsNotTopmost() {
    Windows& w = app_.api.windows;
    Hwnd h = w.FindWindowA("#32770", "Get New Mail");
    if (h == 0) {
        h = w.FindWindowA("#32770", "Get and Send Mail");
    }
    if (h == 0) {
        return;
    }
    constexpr std::uint32_t SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2, SWP_NOACTIVATE = 0x10;
    // The dialog is another program's: a synchronous change would wait for
    // its thread, for good if that thread has stopped answering.
    w.SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

} // namespace pocketry
