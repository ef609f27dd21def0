#include "tray/clsTaskBar.h"

#include <algorithm>
#include <cstring>

#include "app/App.h"
#include "tray/Subclass_.h"

namespace pocketry {

using namespace platform;

namespace {
const char* const kTrayTimer = "TrayIcon_Timer";
} // namespace

clsTaskBar::clsTaskBar(App& app) : app_(app) {
    appBar_.cbSize = sizeof(AppBarData);
    nid_.cbSize = sizeof(NotifyIconDataA);
}

bool clsTaskBar::IconShown(int ID) const {
    return ID >= 1 && ID <= 2 && iconShown_[static_cast<std::size_t>(ID - 1)];
}

void clsTaskBar::SetIconShown(int ID, bool shown) {
    // Only IDs 1 and 2 are tracked; the program never uses others.
    if (ID >= 1 && ID <= 2) {
        iconShown_[static_cast<std::size_t>(ID - 1)] = shown;
    }
}

void clsTaskBar::SetTip(const std::string& sTip) {
    // The tip, its NUL and space padding fill the 64-byte field. A longer tip
    // is cut to 63 characters so that the shell always finds the NUL inside.
    const std::size_t size = sizeof(nid_.szTip);
    const std::size_t length = std::min(sTip.size(), size - 1);
    std::memset(nid_.szTip, ' ', size);
    std::memcpy(nid_.szTip, sTip.data(), length);
    nid_.szTip[length] = '\0';
}

bool clsTaskBar::Exists() {
    return app_.api.shell.SHAppBarMessage(ABM_GETTASKBARPOS, appBar_) != 0;
}

bool clsTaskBar::Setup(Form& f, bool Silent) {
    if (app_.TaskBar().Exists()) {
        if (!Subclass_::HookWindow(app_, f.hWnd())) {
            return false;
        }
        nid_.hWnd = f.hWnd();
        f.SetWindowState(kStateMinimized);
        f.Hide();
        f.SetShowInTaskbar(false);
        return true;
    }
    if (!Silent) {
        app_.api.ui.MsgBox("The Windows taskbar could not be detected, "
                           "therefore a tray icon cannot be created." +
                               kCrLf + kCrLf +
                               "The tray icon feature is either not available on your "
                               "system, such as under Windows NT 3.51; a Windows shell "
                               "other than Windows Explorer is being used that is not "
                               "completely compatible with the tray icon feature; or this "
                               "indicates a current underlying Windows problem and it is "
                               "probably best if you restart Windows soon.",
                           kWarningStyle, kTitle);
    }
    return false;
}

bool clsTaskBar::AddIcon(Form& f, std::uint32_t hIcon, const std::string& sTip, int ID) {
    if (IconShown(ID)) {
        // Never two icons with one ID in the tray.
        app_.TaskBar().DeleteIcon(f, ID);
    }
    nid_.uID = static_cast<std::uint32_t>(ID);
    nid_.hIcon = hIcon;
    SetTip(sTip);
    nid_.uCallbackMessage = kCallbackMessage;
    nid_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (!app_.api.shell.Shell_NotifyIconA(NIM_ADD, nid_)) {
        return false;
    }
    if (ID == 1) {
        f.SetTimerEnabled(kTrayTimer, true);
    }
    SetIconShown(ID, true);
    return true;
}

bool clsTaskBar::ChangeIcon(std::uint32_t hIcon, int ID) {
    nid_.uID = static_cast<std::uint32_t>(ID);
    nid_.hIcon = hIcon;
    nid_.uFlags = NIF_ICON;
    return app_.api.shell.Shell_NotifyIconA(NIM_MODIFY, nid_);
}

bool clsTaskBar::ChangeTip(const std::string& sTip, int ID) {
    nid_.uID = static_cast<std::uint32_t>(ID);
    SetTip(sTip);
    nid_.uFlags = NIF_TIP;
    return app_.api.shell.Shell_NotifyIconA(NIM_MODIFY, nid_);
}

bool clsTaskBar::DeleteIcon(Form& f, int ID) {
    if (ID == 1) {
        f.SetTimerEnabled(kTrayTimer, false);
    }
    SetIconShown(ID, false);
    nid_.uID = static_cast<std::uint32_t>(ID);
    return app_.api.shell.Shell_NotifyIconA(NIM_DELETE, nid_);
}

void clsTaskBar::Shutdown(Form& f, bool Reshow, bool Restore) {
    for (int ID = 1; ID <= 2; ++ID) {
        if (IconShown(ID)) {
            app_.TaskBar().DeleteIcon(f, ID);
        }
    }
    Subclass_::UnhookWindow(app_, f.hWnd());
    if (Restore) {
        f.SetWindowState(kStateNormal);
    }
    if (Reshow) {
        f.Show();
        f.SetShowInTaskbar(true);
    }
}

} // namespace pocketry
