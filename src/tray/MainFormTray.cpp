// The main window's tray side: moving into the tray, the mouse on the icon,
// the pop-up menu and the icon watchdog.

#include <array>

#include "app/App.h"
#include "app/MainForm.h"
#include "tray/clsTaskBar.h"

namespace pocketry {

using namespace platform;

namespace {
constexpr std::int32_t WM_LBUTTONUP = 514, WM_LBUTTONDBLCLK = 515, WM_RBUTTONUP = 517,
                       WM_RBUTTONDBLCLK = 518;
constexpr int VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18;
constexpr std::uint32_t kRetryPauseMs = 3000;
const char* const kTrayTimer = "TrayIcon_Timer";

// The menu item of each value of "Tray Left".
constexpr std::array<const char*, 7> kTrayLeftItems = {
    "MenuTrayJuno_SwitchTo", "MenuTrayJuno_MinRes", "MenuTrayJuno_HideShow",
    "MenuTrayJuno_RunClose", "MenuTray_Options",    "MenuTray_Restore",
    "MenuTray_ScreenSaver"};
} // namespace

void MainForm::GoToTray() {
    TrayBusy = true;
    clsTaskBar& taskBar = app_.TaskBar();
    if (taskBar.Setup(*form_, false)) {
        if (!taskBar.AddIcon(*form_, form_->Picture("TrayIcon"), form_->Caption(), 1)) {
            app_.api.ui.MsgBox("A taskbar tray icon could not be created.", kWarningStyle, kTitle);
            taskBar.Shutdown(*form_, true, false);
        }
    } else {
        form_->Show();
    }
    TrayBusy = false;
}

void MainForm::TaskBarHandler(std::int32_t WinMsg) {
    if (HandlerBusy) {
        return; // a message box or the menu of an earlier click is still open
    }
    HandlerBusy = true;
    struct Release {
        bool& flag;
        ~Release() { flag = false; }
    } release{HandlerBusy};
    // Only the key's state at this moment counts, not a press since the last query.
    auto held = [this](int key) { return app_.api.windows.GetAsyncKeyState(key) / 255 != 0; };
    const bool doubleClicks = app_.AppSettings.TrayDoubleClick;
    const std::int16_t trayLeft = app_.AppSettings.TrayLeftCommand;
    if (WinMsg == (doubleClicks ? WM_LBUTTONDBLCLK : WM_LBUTTONUP)) {
        if (held(VK_SHIFT)) {
            MenuTrayJuno_RunClose_Click();
        } else if (held(VK_CONTROL)) {
            MenuTrayJuno_MinRes_Click();
        } else if (held(VK_MENU)) {
            MenuTrayJuno_HideShow_Click();
        } else if (trayLeft >= 0 && trayLeft <= 6) {
            MenuClick(kTrayLeftItems[static_cast<std::size_t>(trayLeft)]);
        }
    } else if (WinMsg == (doubleClicks ? WM_RBUTTONDBLCLK : WM_RBUTTONUP)) {
        if (held(VK_SHIFT)) {
            MenuTray_Exit_Click();
        } else if (held(VK_CONTROL)) {
            MenuTray_Options_Click();
        } else if (held(VK_MENU)) {
            MenuTray_Restore_Click();
        } else if (trayLeft >= 0 && trayLeft <= 6) {
            form_->PopupMenu("MenuTray", kTrackRightButton,
                             kTrayLeftItems[static_cast<std::size_t>(trayLeft)]);
        }
    }
}

void MainForm::MenuTray_Click() {
    const bool junoRunning = FindJunoWindow() != 0;
    form_->SetMenuEnabled("MenuTray_EmptyAds", !junoRunning);
    form_->SetMenuEnabled("MenuTrayJuno_HideShow", junoRunning);
    form_->SetMenuEnabled("MenuTrayJuno_MinRes", junoRunning);
    form_->SetMenuEnabled("MenuTrayJuno_SwitchTo", junoRunning);

    Clipboard& clipboard = app_.api.clipboard;
    // Bitmap, DIB, enhanced metafile, file list, DDE link, metafile picture,
    // palette, rich text, text; the two registered formats go by name.
    const std::array<std::uint32_t, 9> formats = {
        2,
        8,
        14,
        15,
        clipboard.RegisterClipboardFormatA("Link"),
        3,
        9,
        clipboard.RegisterClipboardFormatA("Rich Text Format"),
        1};
    bool hasData = false;
    for (const std::uint32_t format : formats) {
        if (format != 0 && clipboard.IsClipboardFormatAvailable(format)) {
            hasData = true;
            break;
        }
    }
    form_->SetMenuEnabled("MenuTray_ClearClipboard", hasData);
}

void MainForm::MenuTray_Options_Click() {
    cmdSetup_Click();
}

void MainForm::MenuTray_Restore_Click() {
    app_.TaskBar().Shutdown(*form_, true, true);
}

void MainForm::TrayIcon_Timer_Timer() {
    if (form_->Visible()) {
        TrayBusy = true;
        form_->SetWindowState(kStateMinimized);
        form_->Hide();
        form_->SetShowInTaskbar(false);
        TrayBusy = false;
    }
    clsTaskBar& taskBar = app_.TaskBar();
    const std::uint32_t picture = form_->Picture("TrayIcon");
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (taskBar.ChangeIcon(picture, 1)) {
            return;
        }
        if (attempt < 3) {
            app_.api.kernel.Sleep(kRetryPauseMs);
        }
    }
    // The shell has lost the icon: add it again.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (taskBar.AddIcon(*form_, picture, form_->Caption(), 1)) {
            return;
        }
        if (attempt < 3) {
            app_.api.kernel.Sleep(kRetryPauseMs);
        }
    }
    app_.api.ui.MsgBox("The " + kTitle + " tray icon could not be " +
                           "updated due to an API call error, therefore the " + kTitle +
                           " window will now be restored.",
                       kWarningStyle, kTitle);
    TrayBusy = true;
    taskBar.Shutdown(*form_, true, false);
    // The window is back with its taskbar button; nothing is left to watch.
    form_->SetTimerEnabled(kTrayTimer, false);
    TrayBusy = false;
}

void MainForm::TaskbarCreated() {
    if (!LivesInTray()) {
        return;
    }
    // Windows says the same when only the scale changed: the icon is still
    // there and takes the picture made for the new size. Adding it again
    // would take it away first and put it back elsewhere in the tray.
    if (app_.TaskBar().MainInTray() && app_.TaskBar().ChangeIcon(form_->Picture("TrayIcon"), 1)) {
        return;
    }
    // A new taskbar knows nothing of the icon: add it again at once.
    if (!app_.TaskBar().AddIcon(*form_, form_->Picture("TrayIcon"), form_->Caption(), 1)) {
        // The new shell may not be ready yet. AddIcon removed the old icon and
        // with it the watchdog; without the watchdog the hidden window would
        // have no icon and no taskbar button for good. Its next tick retries
        // and, failing that, shows the window.
        form_->SetTimerEnabled(kTrayTimer, true);
    }
}

bool MainForm::LivesInTray() {
    return app_.TaskBar().MainInTray() || form_->TimerEnabled(kTrayTimer);
}

void MainForm::ChangeTrayPicture(const char* image) {
    app_.TaskBar().ChangeIcon(form_->Picture(image), 1);
}

} // namespace pocketry
