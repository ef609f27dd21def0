// Running the Juno client and waiting for its window; closing it, answering
// its delete confirmation, and waiting for it to go.

#include "ads/FileFolderExists_.h"
#include "app/App.h"
#include "app/MainForm.h"
#include "juno/SettingsIni_.h"
#include "juno/Wait.h"

namespace pocketry {

using namespace platform;

namespace {
constexpr std::uint32_t kVkSpace = 0x20;
// A hung Juno must not hang the program with it: each key message gets this
// long. Not SMTO_ABORTIFHUNG: Wine at times takes a busy new dialog for a
// hung one and the answer would be lost.
constexpr std::uint32_t kKeyTimeoutMs = 5000;
} // namespace

void MainForm::RunJuno(std::int32_t TimeoutSeconds) {
    if (FindJunoWindow() != 0) {
        return;
    }
    UserInterface& ui = app_.api.ui;
    const std::string root = SettingsIni_::JunoRootDir(app_);
    if (root.empty()) {
        ui.MsgBox("The Juno client expected could not be run because it "
                  "does not appear to be installed on your system.",
                  kWarningStyle, kTitle);
        return;
    }
    if (!FileFolderExists_::FolderExists(app_, root)) {
        ui.MsgBox("The Juno client expected could not be run because the '" + root +
                      "' folder specified in the Juno.ini file does not exist.",
                  kWarningStyle, kTitle);
        return;
    }
    const std::string exe = FileFolderExists_::JoinFolder(root, "bin\\juno.exe");
    if (!FileFolderExists_::FileExists(app_, exe)) {
        ui.MsgBox("The Juno client expected could not be run because the '" + exe +
                      "' file does not exist.",
                  kWarningStyle, kTitle);
        return;
    }
    const Status started = app_.api.kernel.StartProcess(exe, SW_SHOWNORMAL);
    if (!started.ok()) {
        ui.MsgBox("Juno (" + exe + ") could not be run due " + "to an error:" + kCrLf + kCrLf +
                      started.description,
                  kWarningStyle, kTitle);
        return;
    }
    ChangeTrayPicture("TrayIconWait");
    const bool up = WaitFor(app_, TimeoutSeconds, [this] { return FindJunoWindow() != 0; });
    if (!up) {
        ui.MsgBox("The '" + exe + "' application was run " +
                      "successfully, however the Juno window expected was " +
                      "not detected within the specified " + std::to_string(TimeoutSeconds) +
                      " second timeout.",
                  kWarningStyle, kTitle);
    }
    ChangeTrayPicture("TrayIcon");
}

void MainForm::CloseJuno(std::int32_t TimeoutSeconds) {
    const Hwnd h = FindJunoWindow();
    if (h == 0) {
        return;
    }
    Windows& w = app_.api.windows;
    // Whose question may be answered is settled before the close is asked:
    // by then the window may be gone, and its handle taken by another.
    std::uint32_t junoProcess = 0;
    w.GetWindowThreadProcessId(h, junoProcess);
    w.PostMessageA(h, WM_CLOSE, 0, 0);
    app_.api.kernel.Sleep(2000);
    // Looked for once, two seconds after the request.
    if (const Hwnd dlg = JunosConfirmation(junoProcess); dlg != 0) {
        if (const Hwnd btn = w.FindWindowExA(dlg, 0, "Button", "&Yes"); btn != 0) {
            const Hwnd prev = w.SetActiveWindow(btn);
            std::intptr_t ignored = 0;
            w.SendMessageTimeoutA(btn, WM_KEYDOWN, kVkSpace, 0, SMTO_NORMAL, kKeyTimeoutMs,
                                  ignored);
            app_.api.kernel.Sleep(100);
            w.SendMessageTimeoutA(btn, WM_KEYUP, kVkSpace, 0, SMTO_NORMAL, kKeyTimeoutMs, ignored);
            w.SetActiveWindow(prev);
        }
    }
    if (TimeoutSeconds == 0) {
        return;
    }
    ChangeTrayPicture("TrayIconWait");
    const bool gone = WaitFor(app_, TimeoutSeconds, [this] { return FindJunoWindow() == 0; });
    if (!gone) {
        app_.api.ui.MsgBox("Juno did not close within the specified " +
                               std::to_string(TimeoutSeconds) + " second timeout.",
                           kNoticeStyle, kTitle);
    }
    ChangeTrayPicture("TrayIcon");
}

Hwnd MainForm::JunosConfirmation(std::uint32_t junoProcess) {
    // The answer deletes for good: only the question of the Juno that was
    // asked to close gets it, whatever other program shows one of that name.
    Windows& w = app_.api.windows;
    Hwnd dlg = 0;
    while ((dlg = w.FindWindowExA(0, dlg, "#32770", "Confirm Permanent Delete")) != 0) {
        std::uint32_t process = 0;
        w.GetWindowThreadProcessId(dlg, process);
        if (junoProcess != 0 && process == junoProcess) {
            return dlg;
        }
    }
    return 0;
}

void MainForm::MenuTrayJuno_RunClose_Click() {
    UserInterface& ui = app_.api.ui;
    if (FindJunoWindow() != 0) {
        if (ui.MsgBox("Are you sure you want to close Juno?", kAskNoStyle, kTitle) == IDYES) {
            CloseJuno(30);
        }
    } else if (ui.MsgBox("Are you sure you want to run Juno?", kAskYesStyle, kTitle) == IDYES) {
        RunJuno(120);
    }
}

} // namespace pocketry
