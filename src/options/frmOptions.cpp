// The options dialog's handlers: loading the record into the controls, the
// pages, OK and Cancel, and remembering the page on every close.

#include "options/frmOptions.h"

#include <cmath>

#include "app/App.h"
#include "app/SettingsApp_.h"
#include "app/basPublic.h"
#include "options/CreateStartupLink_.h"

namespace pocketry {

using namespace platform;

namespace {
constexpr int kPages = 3;
constexpr int kKeyTab = 9;

std::string Tab(int i) {
    return "Check1(" + std::to_string(i) + ")";
}
std::string Page(int i) {
    return "Frame1(" + std::to_string(i) + ")";
}
} // namespace

frmOptions::frmOptions(App& app) : app_(app) {}
frmOptions::~frmOptions() = default;

void frmOptions::Load() {
    form_ = app_.api.ui.CreateForm(Spec(), *this);
    Form_Load();
}

void frmOptions::PlacePages() {
    // Ten and eight pixels of the monitor the dialog is on.
    const int X = static_cast<int>(std::lround(form_->TwipsPerPixelX() * 10));
    const int Y = static_cast<int>(std::lround(form_->TwipsPerPixelY() * 8));
    const int H = form_->ControlHeight(Tab(0));
    const int groupWidth = form_->ControlWidth("FrameGroup");
    const int groupHeight = form_->ControlHeight("FrameGroup");
    for (int i = 0; i < kPages; ++i) {
        // Borderless by design; each page covers the same rectangle.
        form_->MoveControl(Page(i), X, H + 2 * Y, groupWidth - 2 * X,
                           groupHeight - (H + 2 * Y) - Y);
    }
}

void frmOptions::Form_Load() {
    form_->SetCaption("Options - " + kTitle);

    PlacePages();

    const AppSettingsRecord& s = app_.AppSettings;
    form_->SetValue("chkRunJunoStartup", s.RunJunoAtStart ? 1 : 0);
    form_->SetValue("chkCloseJunoExit", s.CloseJunoAtExit ? 1 : 0);
    form_->SetValue("chkCloseJunoExitAsk", s.CloseJunoAsk ? 1 : 0);
    form_->SetValue("chkEmptyAdsAppExit", s.EmptyAdsAtExit ? 1 : 0);
    form_->SetValue("chkEmptyAdsJunoExit", s.EmptyAdsWhenJunoEnds ? 1 : 0);
    form_->SetValue("chkExitNoJuno", s.ExitWhenJunoEnds ? 1 : 0);
    form_->SetValue("chkTrayDoubleClick", s.TrayDoubleClick ? 1 : 0);

    for (const char* entry : kTrayLeftEntries) {
        form_->AddItem("comboTrayLeftClick", entry);
    }
    // -1 selects no entry (and OK keeps it unless the user picks one). Any
    // other value the tray could not run (an outside edit of the Registry)
    // shows the first command, so that OK stores one it can.
    const int trayLeft = s.TrayLeftCommand >= -1 && s.TrayLeftCommand <= 6 ? s.TrayLeftCommand : 0;
    form_->SetListIndex("comboTrayLeftClick", trayLeft);

    chkCloseJunoExit_Click();
    Check1_Click(s.OptionsTab >= 0 && s.OptionsTab < kPages ? s.OptionsTab : 0);
}

void frmOptions::Check1_Click(int Index) {
    if (pageBusy_) {
        return;
    }
    pageBusy_ = true;
    for (int i = 0; i < kPages; ++i) {
        if (i == Index) {
            continue;
        }
        form_->SetControlVisible(Page(i), false);
        form_->SetFontBold(Tab(i), false);
        form_->SetValue(Tab(i), 0);
    }
    form_->SetValue(Tab(Index), 1);
    form_->SetFontBold(Tab(Index), true);
    form_->SetControlVisible(Page(Index), true);
    app_.AppSettings.OptionsTab = static_cast<std::int16_t>(Index);
    pageBusy_ = false;
}

void frmOptions::chkCloseJunoExit_Click() {
    form_->SetEnabled("chkCloseJunoExitAsk", form_->Value("chkCloseJunoExit") == 1);
}

void frmOptions::cmdOK_Click() {
    AppSettingsRecord& s = app_.AppSettings;
    s.RunJunoAtStart = form_->Value("chkRunJunoStartup") != 0;
    s.CloseJunoAtExit = form_->Value("chkCloseJunoExit") != 0;
    s.CloseJunoAsk = form_->Value("chkCloseJunoExitAsk") != 0;
    s.EmptyAdsAtExit = form_->Value("chkEmptyAdsAppExit") != 0;
    s.EmptyAdsWhenJunoEnds = form_->Value("chkEmptyAdsJunoExit") != 0;
    s.ExitWhenJunoEnds = form_->Value("chkExitNoJuno") != 0;
    // The selected entry's index, -1 while none is selected.
    s.TrayLeftCommand = static_cast<std::int16_t>(form_->ListIndex("comboTrayLeftClick"));
    s.TrayDoubleClick = form_->Value("chkTrayDoubleClick") != 0;
    basPublic::SaveSettings(app_);
    form_->Unload();
}

void frmOptions::cmdCancel_Click() {
    form_->Unload();
}

void frmOptions::cmdStartupCreate_Click() {
    if (CreateStartupLink_::CreateStartupLink(app_, form_->hWnd())) {
        app_.api.ui.MsgBox("A " + kTitle + " shortcut was created in " +
                               "the StartUp program group successfully.  " + kTitle +
                               " will now be run every time Windows starts up." + kCrLf + kCrLf +
                               "If you would like to have Juno be run " + "when " + kTitle +
                               " starts up, then turn " + "on the \"Run Juno on startup\" option.",
                           kNoticeStyle, kTitle);
    }
}

void frmOptions::cmdStartupRemove_Click() {
    if (CreateStartupLink_::RemoveStartupLink(app_, form_->hWnd())) {
        app_.api.ui.MsgBox("The " + kTitle + " shortcut was removed from " +
                               "the StartUp program group successfully.",
                           kNoticeStyle, kTitle);
    }
}

void frmOptions::Form_QueryUnload(int& cancel, int unloadMode) {
    (void)cancel, (void)unloadMode;
    SettingsApp_::SaveSettingApp(app_, basPublic::kSettingsSection, "Options Tab",
                                 std::to_string(app_.AppSettings.OptionsTab), false);
}

void frmOptions::Form_Unload(int& cancel) {
    (void)cancel;
    // The opener drops this instance once the modal show returns.
    released_ = true;
}

void frmOptions::Form_KeyDown(int& keyCode, int shift) {
    if (keyCode != kKeyTab || (shift & kCtrlMask) == 0) {
        return;
    }
    const int step = (shift & kShiftMask) != 0 ? kPages - 1 : 1;
    Check1_Click((app_.AppSettings.OptionsTab + step) % kPages);
    keyCode = 0;
}

void frmOptions::Click(const std::string& control) {
    if (control == "cmdOK") {
        cmdOK_Click();
    } else if (control == "cmdCancel") {
        cmdCancel_Click();
    } else if (control == "cmdStartupCreate") {
        cmdStartupCreate_Click();
    } else if (control == "cmdStartupRemove") {
        cmdStartupRemove_Click();
    } else if (control == "chkCloseJunoExit") {
        chkCloseJunoExit_Click();
    } else {
        for (int i = 0; i < kPages; ++i) {
            if (control == Tab(i)) {
                Check1_Click(i);
            }
        }
    }
}

} // namespace pocketry
