// The main window's life: loading, the first-run notice, shutdown, its
// buttons, keys and the web-site link.

#include "app/MainForm.h"

#include <optional>

#include "app/App.h"
#include "app/SettingsApp_.h"
#include "app/basPublic.h"
#include "tray/FileInfoFunctions_.h"
#include "tray/GetDesktopSize_.h"
#include "tray/clsTaskBar.h"

namespace pocketry {

using namespace platform;

namespace {
constexpr std::uint32_t kNotice = MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL | MB_SETFOREGROUND;
constexpr std::uint32_t kAskYesDefault =
    MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL | MB_SETFOREGROUND;
constexpr std::uint32_t kLinkLit = 0xFF0000; // pure blue in the 0x00BBGGRR layout
constexpr int kKeyO = 79, kKeyEscape = 27;

// While the clean-up holds up the end of the session ("Close Juno now?" and
// the wait for Juno to go), Windows names the program as what is holding it
// up; this gives it a reason to show beside the name, for as long as it lives.
class ShutdownReason {
  public:
    ShutdownReason(Windows& windows, Hwnd hWnd, const std::string& reason)
        : windows_(windows), hWnd_(hWnd),
          created_(windows.ShutdownBlockReasonCreate(hWnd, reason)) {}
    ~ShutdownReason() {
        if (created_) {
            windows_.ShutdownBlockReasonDestroy(hWnd_);
        }
    }
    ShutdownReason(const ShutdownReason&) = delete;
    ShutdownReason& operator=(const ShutdownReason&) = delete;

  private:
    Windows& windows_;
    Hwnd hWnd_;
    bool created_;
};
} // namespace

MainForm::MainForm(App& app) : app_(app) {}
MainForm::~MainForm() = default;

void MainForm::Load() {
    form_ = app_.api.ui.CreateForm(Spec(), *this);
    Form_Load();
}

void MainForm::Form_Load() {
    const ProgramVersion& v = app_.version;
    // The revision's four-digit form gives the third and fourth parts.
    // Written as "%04d" would, zeros after any sign, without the printf family
    // (its formatting engine is a tenth of the Windows program).
    std::string revision = std::to_string(v.revision);
    if (revision.size() < 4) {
        revision.insert(revision.front() == '-' ? 1 : 0, 4 - revision.size(), '0');
    }
    const int R = std::stoi(revision.substr(0, 2));
    const int B = std::stoi(revision.substr(revision.size() - 2));
    const std::string majorMinor = std::to_string(v.major) + "." + std::to_string(v.minor);
    form_->SetText("labVersion",
                   "Version " + majorMinor + "." + std::to_string(R) + "." + std::to_string(B));
    std::string caption = kTitle + " " + majorMinor;
    if (R != 0) {
        caption.append(".").append(std::to_string(R));
    }
    form_->SetCaption(caption);

    std::int32_t heightDivisor = 3;
    GetDesktopSize_::CenterForm(app_, *form_, heightDivisor);

    const std::string tab = "\t";
    form_->SetMenuCaption("MenuTray_Exit", form_->MenuCaption("MenuTray_Exit") + tab + "r+s");
    form_->SetMenuCaption("MenuTray_Restore", form_->MenuCaption("MenuTray_Restore") + tab + "r+a");
    form_->SetMenuCaption("MenuTray_Options", form_->MenuCaption("MenuTray_Options") + tab + "r+c");
    form_->SetMenuCaption("MenuTrayJuno_RunClose",
                          form_->MenuCaption("MenuTrayJuno_RunClose") + tab + "l+s");
    form_->SetMenuCaption("MenuTrayJuno_HideShow",
                          form_->MenuCaption("MenuTrayJuno_HideShow") + tab + "l+a");
    form_->SetMenuCaption("MenuTrayJuno_MinRes",
                          form_->MenuCaption("MenuTrayJuno_MinRes") + tab + "l+c");

    ShowAppNotes();
    basPublic::LoadSettings(app_);
    taskbarCreatedMessage_ = app_.api.windows.RegisterWindowMessageA("TaskbarCreated");

    // First run: show the window and the notice instead of going to the tray.
    const std::string firstRun =
        SettingsApp_::GetSettingApp(app_, basPublic::kSettingsSection, "First Run", "True", true);
    if (basPublic::ParseTruth(firstRun).value_or(true)) {
        SettingsApp_::SaveSettingApp(app_, basPublic::kSettingsSection, "First Run", "False",
                                     false);
        form_->Show();
        form_->Refresh();
        app_.api.ui.MsgBox("Since this is the first time you are running this version, "
                           "please be sure to read the App Notes so you know what to "
                           "expect of the features offered.  Thanks much.  :-)",
                           kNotice, kTitle);
    } else {
        GoToTray();
    }

    if (app_.AppSettings.RunJunoAtStart) {
        RunJuno(120);
    }
}

void MainForm::Form_QueryUnload(int& cancel, int unloadMode) {
    // Every way out runs the same steps and none is refused.
    (void)cancel;
    std::optional<ShutdownReason> reason;
    if (unloadMode == kUnloadAppWindows) {
        reason.emplace(app_.api.windows, form_->hWnd(), "Closing Juno");
    }
    const AppSettingsRecord& s = app_.AppSettings;
    if (s.CloseJunoAtExit && FindJunoWindow() != 0) {
        const bool declined =
            s.CloseJunoAsk && app_.api.ui.MsgBox("Close Juno now?", kAskYesDefault, kTitle) == IDNO;
        if (!declined) {
            CloseJuno(s.EmptyAdsAtExit ? 30 : 0);
        }
    }
    if (s.EmptyAdsAtExit && FindJunoWindow() == 0) {
        EmptyAdsFolder(false);
    }
    inTrayAtQueryUnload_ = LivesInTray();
    if (inTrayAtQueryUnload_) {
        app_.TaskBar().Shutdown(*form_, false, true);
        // An icon the watchdog is still putting back has no icon to stop it.
        form_->SetTimerEnabled("TrayIcon_Timer", false);
    }
}

void MainForm::Form_EndSessionCancelled() {
    // Windows did not end the session after all: the program goes on, back
    // in the tray if the clean-up took it out of there.
    if (inTrayAtQueryUnload_) {
        inTrayAtQueryUnload_ = false;
        GoToTray();
    }
}

void MainForm::cmdExit_Click() {
    app_.api.ui.SetMousePointer(kPointerHourglass);
    form_->Unload(kUnloadFormCode);
}

void MainForm::MenuTray_Exit_Click() {
    cmdExit_Click();
}

void MainForm::cmdOK_Click() {
    form_->SetWindowState(kStateMinimized);
}

void MainForm::Form_Resize() {
    if (!TrayBusy && form_->WindowState() == kStateMinimized) {
        GoToTray();
    }
}

void MainForm::Form_KeyDown(int& keyCode, int shift) {
    (void)shift;
    if (keyCode == kKeyO) {
        keyCode = 0; // handled here; the button's own mnemonic must not open it twice
        cmdSetup_Click();
    } else if (keyCode == kKeyEscape) {
        keyCode = 0;
        cmdExit_Click();
    }
}

void MainForm::Form_MouseMove(int button, int shift, int x, int y) {
    (void)button, (void)shift, (void)x, (void)y;
    if (form_->FontUnderline("labWebSite")) {
        form_->SetForeColor("labWebSite", form_->ForeColor("labVersion"));
        form_->SetFontUnderline("labWebSite", false);
    }
}

void MainForm::labWebSite_MouseMove() {
    if (!form_->FontUnderline("labWebSite")) {
        form_->SetForeColor("labWebSite", kLinkLit);
        form_->SetFontUnderline("labWebSite", true);
    }
}

void MainForm::labWebSite_MouseUp(int button) {
    if (button == kLeftButton) {
        FileInfoFunctions_::OpenFileOrAddress(app_, form_->Text("labWebSite"), false, false);
    }
}

void MainForm::labVersion_Click() {
    app_.api.ui.MsgBox("Support file versions:" + kCrLf + kCrLf + "Vb5stkit.dll:" + "\t" +
                           FileInfoFunctions_::GetFileVersion(app_, "Vb5stkit.dll"),
                       kNotice, kTitle);
}

void MainForm::ShowAppNotes() {
    form_->SetText("txtInfo", AppNotes());
}

void MainForm::Click(const std::string& control) {
    if (control == "cmdOK") {
        cmdOK_Click();
    } else if (control == "cmdExit") {
        cmdExit_Click();
    } else if (control == "cmdSetup") {
        cmdSetup_Click();
    } else if (control == "labVersion") {
        labVersion_Click();
    }
}

void MainForm::MouseMove(const std::string& control, int button, int shift, int x, int y) {
    if (control.empty()) {
        Form_MouseMove(button, shift, x, y);
    } else if (control == "cmdOK" || control == "cmdExit" || control == "cmdSetup" ||
               control == "txtInfo") {
        Form_MouseMove(0, 0, 0, 0);
    } else if (control == "labWebSite") {
        labWebSite_MouseMove();
    }
}

void MainForm::MouseUp(const std::string& control, int button, int shift, int x, int y) {
    (void)shift, (void)x, (void)y;
    if (control == "labWebSite") {
        labWebSite_MouseUp(button);
    }
}

void MainForm::Timer(const std::string& timer) {
    if (timer == "TrayIcon_Timer") {
        TrayIcon_Timer_Timer();
    } else if (timer == "Checker_Timer") {
        Checker_Timer_Timer();
    }
}

void MainForm::MenuClick(const std::string& item) {
    if (item == "MenuTray") {
        MenuTray_Click();
    } else if (item == "MenuTray_Exit") {
        MenuTray_Exit_Click();
    } else if (item == "MenuTray_Restore") {
        MenuTray_Restore_Click();
    } else if (item == "MenuTray_Options") {
        MenuTray_Options_Click();
    } else if (item == "MenuTray_ScreenSaver") {
        MenuTray_ScreenSaver_Click();
    } else if (item == "MenuTray_ClearClipboard") {
        MenuTray_ClearClipboard_Click();
    } else if (item == "MenuTray_EmptyAds") {
        MenuTray_EmptyAds_Click();
    } else if (item == "MenuTrayJuno_RunClose") {
        MenuTrayJuno_RunClose_Click();
    } else if (item == "MenuTrayJuno_HideShow") {
        MenuTrayJuno_HideShow_Click();
    } else if (item == "MenuTrayJuno_MinRes") {
        MenuTrayJuno_MinRes_Click();
    } else if (item == "MenuTrayJuno_SwitchTo") {
        MenuTrayJuno_SwitchTo_Click();
    }
}

} // namespace pocketry
