// The options dialog: its table, loading the record, the pages, OK, Cancel
// and the close box, the keys, and opening it while it is open.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "options/frmOptions.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using namespace platform;

class OptionsTest : public ProgramTest {
  protected:
    void SetUp() override {
        Start();
        desk.ClearSettingsLog();
        desk.ClearMsgBoxes();
    }
    // Opens the dialog from the main window; `user` acts on it while it is up.
    void Open(const std::function<void(sim::SimForm&)>& user) {
        desk.SetModalResponder([&](sim::SimForm& dialog) {
            ASSERT_EQ(dialog.Name(), "frmOptions");
            user(dialog);
        });
        main->cmdSetup_Click();
        desk.SetModalResponder(nullptr);
    }
    // "key=value" for each setting written, in order.
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        for (const sim::SettingOp& op : desk.SettingsLog()) {
            if (op.write) {
                writes.push_back(op.key + "=" + op.value);
            }
        }
        return writes;
    }
    static int ShownPage(const sim::SimForm& d) {
        int shown = -1;
        for (int i = 0; i < 3; ++i) {
            const std::string tab = "Check1(" + std::to_string(i) + ")";
            const bool visible = d.ControlVisible("Frame1(" + std::to_string(i) + ")");
            EXPECT_EQ(d.Value(tab) == 1, visible) << tab;
            EXPECT_EQ(d.FontBold(tab), visible) << tab;
            if (visible) {
                EXPECT_EQ(shown, -1) << "two pages shown";
                shown = i;
            }
        }
        return shown;
    }
};

TEST_F(OptionsTest, TheTableIsTheDialogsDesign) {
    using K = ControlKind;
    using Row = std::tuple<K, std::string, std::string, std::string, int, int, int, int, int>;
    std::vector<Row> rows;
    for (const ControlSpec& c : frmOptions::Spec().controls) {
        rows.emplace_back(c.kind, c.name, c.caption, c.container, c.left, c.top, c.width, c.height,
                          c.tabIndex);
    }
    const std::string label3 =
        "Currently the only auto function is the turning off of the \"always on top\" state of the "
        "Juno mail transfer windows.  Another function will be making Juno check for new mail at a "
        "set time interval -- coming soon. :-)";
    const std::string g = "FrameGroup", p0 = "Frame1(0)", p1 = "Frame1(1)", p2 = "Frame1(2)";
    EXPECT_EQ(
        rows,
        (std::vector<Row>{
            {K::CommandButton, "cmdOK", "OK", "", 5055, 195, 885, 345, 0},
            {K::CommandButton, "cmdCancel", "Cancel", "", 5055, 600, 885, 345, 1},
            {K::Label, "Label1", "StartUp shortcut:", "", 5055, 1200, 885, 420, 2},
            {K::CommandButton, "cmdStartupCreate", "&Create", "", 5055, 1725, 885, 345, 3},
            {K::CommandButton, "cmdStartupRemove", "R&emove", "", 5055, 2130, 885, 345, 4},
            {K::Frame, "FrameGroup", "", "", 150, 105, 4695, 3885, 5},
            {K::TabButton, "Check1(0)", "&Juno", g, 45, 135, 1530, 330, 6},
            {K::TabButton, "Check1(1)", "&Auto", g, 1575, 135, 1545, 330, 7},
            {K::TabButton, "Check1(2)", "&Other", g, 3120, 135, 1530, 330, 8},
            {K::FrameBorderless, p0, "", g, 0, 0, 0, 0, 9},
            {K::CheckBox, "chkRunJunoStartup", "Run Juno on startup", p0, 210, 210, 1830, 240, 10},
            {K::CheckBox, "chkCloseJunoExit", "Close Juno on exit", p0, 210, 690, 1680, 240, 11},
            {K::CheckBox, "chkCloseJunoExitAsk", "Ask before closing Juno", p0, 495, 1005, 2085,
             240, 12},
            {K::CheckBox, "chkEmptyAdsAppExit", "Empty the Juno ads folder on exit", p0, 210, 1485,
             2730, 240, 13},
            {K::FrameBorderless, p1, "", g, 0, 0, 0, 0, 14},
            {K::FrameBorderless, p2, "", g, 0, 0, 0, 0, 15},
            {K::CheckBox, "chkExitNoJuno", "Exit when Juno is no longer running", p2, 210, 210,
             2895, 240, 16},
            {K::CheckBox, "chkEmptyAdsJunoExit",
             "Empty the Juno ads folder when Juno is no longer running", p2, 210, 540, 3420, 420,
             17},
            {K::Label, "Label2", "Tray icon left click:", p2, 210, 1245, 1335, 195, 18},
            {K::ComboList, "comboTrayLeftClick", "", p2, 1650, 1185, 2115, 315, 19},
            {K::CheckBox, "chkTrayDoubleClick", "Use double-click for tray icon commands", p2, 210,
             1605, 3255, 240, 20},
            {K::Label, "Label3", label3, p1, 375, 360, 3285, 1440, 21},
        }));
    const FormSpec spec = frmOptions::Spec();
    EXPECT_EQ(std::make_tuple(spec.clientWidth, spec.clientHeight, spec.minButton, spec.maxButton,
                              spec.centerOnScreen, spec.border == BorderStyle::FixedDialog),
              std::make_tuple(6105, 4185, false, false, true, true));
    for (const ControlSpec& c : spec.controls) {
        EXPECT_EQ(c.isDefault, c.name == "cmdOK") << c.name;
        EXPECT_EQ(c.isCancel, c.name == "cmdCancel") << c.name;
        EXPECT_EQ(c.sysColor, c.name == "Label3" ? COLOR_BTNSHADOW : -1) << c.name;
    }
}

// Each page's left, top, width and height in twips at a start at each DPI. That a dialog moved
// to another DPI matches a fresh start there is the e2e scenario display.every_dpi's.
TEST_F(OptionsTest, PagesSitTenAndEightPixelsInAtEveryDpi) {
    for (const auto& [dpi, page] : {std::pair<int, std::vector<int>>{96, {150, 570, 4395, 3195}},
                                    {144, {100, 490, 4495, 3315}},
                                    {192, {75, 450, 4545, 3375}}}) {
        desk.SetTwipsPerPixel(1440.0 / dpi, 1440.0 / dpi);
        Open([&](sim::SimForm& d) {
            for (const char* p : {"Frame1(0)", "Frame1(1)", "Frame1(2)"}) {
                EXPECT_EQ((std::vector<int>{d.ControlLeft(p), d.ControlTop(p), d.ControlWidth(p),
                                            d.ControlHeight(p)}),
                          page)
                    << p << " at " << dpi << " dpi";
            }
        });
    }
}

TEST_F(OptionsTest, TheRecordIsShownAsItIsAndOutsideValuesFallBack) {
    struct Row {
        const char* what;
        AppSettingsRecord record;
        int page, command, ask, others; // the six other boxes all hold `others`
        bool askEnabled;
    };
    AppSettingsRecord all{.OptionsTab = 2, .CloseJunoAsk = false, .TrayLeftCommand = 6};
    all.RunJunoAtStart = all.CloseJunoAtExit = all.EmptyAdsAtExit = true;
    all.EmptyAdsWhenJunoEnds = all.ExitWhenJunoEnds = all.TrayDoubleClick = true;
    AppSettingsRecord outside = all, none;
    outside.OptionsTab = 7;
    outside.TrayLeftCommand = 7;
    none.TrayLeftCommand = -1; // no entry: the tray runs nothing on a plain click
    for (const Row& r :
         {Row{"defaults", {}, 0, 0, 1, 0, false}, Row{"all on", all, 2, 6, 0, 1, true},
          Row{"outside", outside, 0, 0, 0, 1, true}, Row{"no command", none, 0, -1, 1, 0, false}}) {
        SCOPED_TRACE(r.what);
        app->AppSettings = r.record;
        Open([&](sim::SimForm& d) {
            EXPECT_EQ(d.Caption(), "Options - Pocketry");
            EXPECT_EQ(ShownPage(d), r.page);
            EXPECT_EQ(d.Value("chkCloseJunoExitAsk"), r.ask);
            EXPECT_EQ(d.Enabled("chkCloseJunoExitAsk"), r.askEnabled);
            for (const char* box : {"chkRunJunoStartup", "chkCloseJunoExit", "chkEmptyAdsAppExit",
                                    "chkEmptyAdsJunoExit", "chkExitNoJuno", "chkTrayDoubleClick"}) {
                EXPECT_EQ(d.Value(box), r.others) << box;
            }
            std::vector<std::string> entries;
            for (int i = 0; i < d.ListCount("comboTrayLeftClick"); ++i) {
                entries.push_back(d.ListItem("comboTrayLeftClick", i));
            }
            EXPECT_EQ(entries,
                      (std::vector<std::string>{"Switch to Juno", "Minimize/Restore Juno",
                                                "Hide/Show Juno", "Run/Close Juno", "Options",
                                                "Restore Window", "Activate Screen Saver"}));
            EXPECT_EQ(d.ListIndex("comboTrayLeftClick"), r.command);
            EXPECT_EQ(d.OwnerWindow(), 0u); // the main window sits in the tray
            d.Click("cmdOK");
        });
        // OK without a choice keeps what is shown: "no command" stays none.
        EXPECT_EQ(Stored("Tray Left"), std::to_string(r.command));
    }
}

TEST_F(OptionsTest, TabsTurnThePagesAndTheShownTabStaysPressed) {
    Open([&](sim::SimForm& d) {
        EXPECT_TRUE(d.Click("Check1(0)")); // the page already shown
        EXPECT_EQ(ShownPage(d), 0);
        // A page switch under the focus leaves it on the new tab.
        ASSERT_TRUE(d.SetFocusTo("chkCloseJunoExit"));
        d.PressKey(9, kCtrlMask);
        EXPECT_EQ(ShownPage(d), 1);
        EXPECT_EQ(app->AppSettings.OptionsTab, 1);
        EXPECT_EQ(d.FocusedControl(), "Check1(1)");
        d.PressKey(9, 0);
        EXPECT_EQ(d.FocusedControl(), "Check1(2)");
        // A hidden page's controls are out of reach.
        EXPECT_FALSE(d.Click("chkRunJunoStartup"));
        EXPECT_TRUE(d.PressMnemonic('O'));
        EXPECT_EQ(ShownPage(d), 2);
        d.PressKey(9, kCtrlMask);
        EXPECT_EQ(ShownPage(d), 0);
        d.PressKey(9, kCtrlMask | kShiftMask);
        EXPECT_EQ(ShownPage(d), 2);
        d.PressKey(9, kCtrlMask | kShiftMask);
        EXPECT_EQ(ShownPage(d), 1);
        EXPECT_TRUE(d.Click("Check1(2)"));
        EXPECT_EQ(ShownPage(d), 2);
        EXPECT_TRUE(d.PressMnemonic('J'));
        EXPECT_EQ(ShownPage(d), 0);
    });
}

TEST_F(OptionsTest, OkRewritesEveryKeyAndTheShortcutButtonsTellOfSuccess) {
    SetStored("Check Interval", "450");
    app->AppSettings.CheckInterval = 450;
    Open([&](sim::SimForm& d) {
        d.Click("cmdStartupCreate"); // the shortcut buttons tell of success and store nothing
        d.Click("cmdStartupRemove");
        d.Click("chkCloseJunoExit"); // on: the question becomes available
        EXPECT_TRUE(d.Enabled("chkCloseJunoExitAsk"));
        d.Click("chkCloseJunoExit"); // off again: disabled, its mark kept
        EXPECT_FALSE(d.Enabled("chkCloseJunoExitAsk"));
        EXPECT_EQ(d.Value("chkCloseJunoExitAsk"), 1);
        d.Click("chkRunJunoStartup");
        d.Click("Check1(2)");
        d.SetListIndex("comboTrayLeftClick", 6);
        d.Click("chkTrayDoubleClick");
        d.PressKey(13); // Enter: OK
    });
    EXPECT_EQ(Shown(),
              (Boxes{{"A Pocketry shortcut was created in the StartUp program group "
                      "successfully.  Pocketry will now be run every time Windows starts "
                      "up.\r\n\r\nIf you would like to have Juno be run when Pocketry starts "
                      "up, then turn on the \"Run Juno on startup\" option.",
                      kNotice},
                     {"The Pocketry shortcut was removed from the StartUp program group "
                      "successfully.",
                      kNotice}}));
    // Written from the record, so the record holds the same.
    EXPECT_EQ(Writes(),
              (std::vector<std::string>{"Run Juno=True", "Close Juno=False", "Close Juno Ask=True",
                                        "Empty Ads App=False", "Empty Ads Juno=False",
                                        "Exit No Juno=False", "Tray Left=6", "Tray Double=True",
                                        "Check Interval=450", "Options Tab=2"}));
    EXPECT_EQ(desk.FindForm("frmOptions"), nullptr);
    EXPECT_EQ(main->OptionsDialog(), nullptr);
}

// The tray menu, the button and its key each open the one dialog (asked again while it is
// open, it comes to the front); Cancel, Esc and the close box keep the record but save the page.
TEST_F(OptionsTest, EveryWayInOpensTheOneDialogAndEveryWayOutButOkSavesOnlyThePage) {
    using In = std::function<void()>;
    using Out = std::function<void(sim::SimForm&)>;
    const std::pair<In, Out> ways[] = {
        {[&] { main->MenuTray_Options_Click(); }, [](sim::SimForm& d) { d.Click("cmdCancel"); }},
        {[&] { form->Click("cmdSetup"); }, [](sim::SimForm& d) { d.PressKey(27); }},
        {[&] { form->PressKey(79, kShiftMask); }, [](sim::SimForm& d) { d.CloseBox(); }}};
    for (const auto& [in, out] : ways) {
        desk.ClearSettingsLog();
        int opened = 0;
        desk.SetModalResponder([&](sim::SimForm& d) {
            ++opened;
            const std::size_t before = desk.SetForegroundCalls().size();
            main->cmdSetup_Click();
            main->MenuTray_Options_Click();
            EXPECT_EQ(Since(desk.SetForegroundCalls(), before), std::vector<Hwnd>(2, d.hWnd()));
            d.Click("Check1(2)");
            d.Click("chkExitNoJuno");
            d.SetListIndex("comboTrayLeftClick", 3);
            const Hwnd dialog = d.hWnd();
            out(d);
            EXPECT_EQ(desk.Window(dialog), nullptr); // gone by this way alone
        });
        in();
        desk.SetModalResponder(nullptr);
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(Writes(), std::vector<std::string>{"Options Tab=2"});
        EXPECT_FALSE(app->AppSettings.ExitWhenJunoEnds);
        EXPECT_EQ(app->AppSettings.TrayLeftCommand, 0);
        main->MenuTray_Restore_Click(); // the button and its key need the window shown
    }
}

} // namespace
} // namespace pocketry::testing
