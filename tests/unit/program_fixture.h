#pragma once
// A fresh program on a fresh simulated desktop for every test case.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/App.h"
#include "app/MainForm.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_juno.h"
#include "tray/Subclass_.h"
#include "tray/clsTaskBar.h"

namespace pocketry::testing {

// Message box styles: notice, warning, a question defaulting to Yes, one defaulting to No.
constexpr std::uint32_t kNotice = 0x11040, kWarning = 0x11030, kAskYes = 0x11024, kAskNo = 0x11124;
using Boxes = std::vector<std::pair<std::string, std::uint32_t>>;
// Facts() of a window in the tray, as the program keeps it there.
inline const std::string kInTray = "minimized hooked inTray icon watchdog";

// The main window with the calls of its not-yet-built commands written down,
// in order ("RunJuno(120)", "CloseJuno(30)", "EmptyAdsFolder(false)",
// "cmdSetup_Click"); each then does what the program's own would. A test may
// add what the command does to the world (`onCloseJuno` closing Juno) or make
// it fail (`onSetup` throwing).
class RecordingMainForm : public MainForm {
  public:
    using MainForm::MainForm;
    std::vector<std::string> calls;
    std::vector<int> pointerAtQueryUnload;
    std::function<void()> onRunJuno, onCloseJuno, onSetup;

    void RunJuno(std::int32_t TimeoutSeconds) override {
        Record("RunJuno(" + std::to_string(TimeoutSeconds) + ")", onRunJuno);
        MainForm::RunJuno(TimeoutSeconds);
    }
    void CloseJuno(std::int32_t TimeoutSeconds) override {
        Record("CloseJuno(" + std::to_string(TimeoutSeconds) + ")", onCloseJuno);
        MainForm::CloseJuno(TimeoutSeconds);
    }
    void EmptyAdsFolder(bool ShowResult) override {
        Record(std::string("EmptyAdsFolder(") + (ShowResult ? "true" : "false") + ")", nullptr);
        MainForm::EmptyAdsFolder(ShowResult);
    }
    void cmdSetup_Click() override {
        Record("cmdSetup_Click", onSetup);
        MainForm::cmdSetup_Click();
    }
    void Form_QueryUnload(int& cancel, int unloadMode) override {
        pointerAtQueryUnload.push_back(App::Current()->api.ui.MousePointer());
        MainForm::Form_QueryUnload(cancel, unloadMode);
    }

  private:
    void Record(const std::string& call, const std::function<void()>& hook) {
        calls.push_back(call);
        if (hook) {
            hook();
        }
    }
};

// The entries of `all` from the one numbered `from` on.
template <class T> std::vector<T> Since(const std::vector<T>& all, std::size_t from) {
    return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
}

// A parameterised case is named by its row's `name`.
template <class Row> std::string RowName(const ::testing::TestParamInfo<Row>& p) {
    return p.param.name;
}

class ProgramTest : public ::testing::Test {
  protected:
    sim::SimDesktop desk;
    std::unique_ptr<App> app;
    std::unique_ptr<RecordingMainForm> main;
    sim::SimForm* form = nullptr;

    void SetStored(const std::string& key, const std::string& value) {
        desk.SetSetting(kTitle, "Settings", key, value);
    }
    std::optional<std::string> Stored(const std::string& key) const {
        return desk.Setting(kTitle, "Settings", key);
    }

    // Creates the program's state without loading the main window. A program
    // made before goes once the new one is current, its window first: its
    // leaving must not unset the new one.
    void Create(ProgramVersion version = {1, 0, 0}) {
        auto made = std::make_unique<App>(desk.api(), version);
        main.reset();
        app = std::move(made);
        main = std::make_unique<RecordingMainForm>(*app);
        app->mainForm = main.get();
    }

    // Loads the main window as a start that is not the first one: it goes to the tray.
    void Start(ProgramVersion version = {1, 0, 0}) {
        if (!Stored("First Run")) {
            SetStored("First Run", "False");
        }
        StartAsIs(version);
    }

    void StartAsIs(ProgramVersion version = {1, 0, 0}) {
        Create(version);
        main->Load();
        form = desk.FindForm("MainForm");
        ASSERT_NE(form, nullptr);
    }

    // Every message box shown so far, its text and style (each titled as the program).
    Boxes Shown() const {
        Boxes boxes;
        for (const sim::MsgBoxRecord& m : desk.MsgBoxes()) {
            boxes.emplace_back(m.prompt, m.style);
        }
        return boxes;
    }
    void ExpectOnlyBox(const std::string& text, std::uint32_t style) const {
        EXPECT_EQ(Shown(), (Boxes{{text, style}}));
    }
    // In the tray, silently: the icon with the caption and the normal picture.
    void ExpectInTray() {
        EXPECT_TRUE(desk.MsgBoxes().empty());
        ASSERT_EQ(Facts(), kInTray);
        const auto icon = desk.TrayIcon(form->hWnd(), 1).value();
        EXPECT_EQ(std::make_tuple(std::string(icon.szTip), icon.hIcon),
                  std::make_tuple(form->Caption(), form->Picture("TrayIcon")));
    }
    std::vector<std::uint32_t> WaitThenNormal() const {
        return {form->Picture("TrayIconWait"), form->Picture("TrayIcon")};
    }

    // The pictures the tray icon was changed to since the shell call numbered
    // `from`: changes the shell took, so a change aimed at no icon is none.
    std::vector<std::uint32_t> TrayPicturesSince(std::size_t from) const {
        std::vector<std::uint32_t> pictures;
        for (const sim::NotifyIconCall& c : Since(desk.NotifyIconCalls(), from)) {
            if (c.message == platform::NIM_MODIFY && c.result) {
                pictures.push_back(c.Data().hIcon);
            }
        }
        return pictures;
    }

    // The main window as the user and the shell find it, the facts that hold
    // in this order: "visible", "taskbar" (it has a taskbar button),
    // "minimized", "hooked" (the tray's window procedure is in place),
    // "inTray" (the program's own record of its icon), "icon" (the shell
    // holds it), "watchdog" (the icon timer runs).
    std::string Facts() {
        const auto h = form->hWnd();
        const std::uintptr_t tray = desk.api().windows.AddressOfWindowProc(&Subclass_::WindowProc);
        const std::pair<bool, const char*> facts[] = {
            {form->Visible(), "visible"},
            {form->ShowInTaskbar(), "taskbar"},
            {form->WindowState() == platform::kStateMinimized, "minimized"},
            {desk.Window(h)->wndProc == tray, "hooked"},
            {app->TaskBar().MainInTray(), "inTray"},
            {desk.TrayIcon(h, 1).has_value(), "icon"},
            {form->TimerEnabled("TrayIcon_Timer"), "watchdog"}};
        std::string all;
        for (const auto& [holds, fact] : facts) {
            if (holds) {
                all.append(all.empty() ? "" : " ").append(fact);
            }
        }
        return all;
    }
    // The shell calls since the one numbered `from`: "A" add, "M" modify, "D" delete.
    std::string TrayCalls(std::size_t from) const {
        std::string calls;
        for (std::size_t i = from; i < desk.NotifyIconCalls().size(); ++i) {
            const std::uint32_t m = desk.NotifyIconCalls()[i].message;
            calls += m == platform::NIM_ADD ? 'A' : m == platform::NIM_MODIFY ? 'M' : 'D';
        }
        return calls;
    }

    void TearDown() override {
        for (const std::string& e : desk.Errors()) {
            ADD_FAILURE() << "simulation error: " << e;
        }
        for (const sim::MsgBoxRecord& m : desk.MsgBoxes()) {
            EXPECT_EQ(m.title, "Pocketry") << m.prompt;
        }
    }
};

// The program started beside an installed Juno that is not running yet, with
// only the test acting from then on.
class InstalledJunoTest : public ProgramTest {
  protected:
    explicit InstalledJunoTest(sim::JunoScript script) : juno{desk, std::move(script)} {}
    sim::SimJuno juno;

    void SetUp() override {
        juno.Install();
        Start();
        form->SetTimerEnabled("Checker_Timer", false);
        form->SetTimerEnabled("TrayIcon_Timer", false);
        desk.ClearMsgBoxes();
    }
};

} // namespace pocketry::testing
