// The message loop, message boxes, dialog keys, texts in any script, the
// drop-down list's empty choice, the end of a session and window states, as
// every implementation of the user interface keeps them.
#include "contract_fixture.h"

#include <algorithm>

namespace pocketry::contract {
namespace {

using Log = std::vector<std::string>;

// ------------------------------------------------------------ the loop

TEST_F(ContractTest, AFormClosedByAPostedMessageEndsTheLoop) {
    auto form = NewForm();
    form->Show();
    PostClose(*form);
    EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs));
    EXPECT_FALSE(form->Loaded());
    EXPECT_EQ(events.log, (Log{"Resize", "QueryUnload 0", "Unload"}));
}

TEST_F(ContractTest, AFormClosedInsideAMessageSentFromElsewhereEndsTheLoop) {
    // Sent messages are handled inside the wait for the next message, which
    // does not return for them: the loop must see the last form go anyway.
    auto form = NewForm();
    form->Show();
    bed->SendFromElsewhere(form->hWnd(), {{kWM_CLOSE, 0, 0}}, kSendDelayMs);
    EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs)) << "the loop outlived its last form";
    EXPECT_FALSE(form->Loaded());
    EXPECT_EQ(events.log, (Log{"Resize", "QueryUnload 0", "Unload"}));
    EXPECT_EQ(bed->SendResults(), (std::vector<std::intptr_t>{0}));
}

// ------------------------------------------------------------ message boxes

TEST_F(ContractTest, AMessageBoxIsOwnedByTheActiveFormWhichIsDisabledMeanwhile) {
    auto form = NewForm();
    form->Show();
    bed->AnswerNextMsgBox(platform::IDOK, form->hWnd());
    EXPECT_EQ(Api().ui.MsgBox("Owned?", platform::MB_OK | platform::MB_ICONINFORMATION, "Pocketry"),
              platform::IDOK);
    const BoxSeen seen = bed->LastBox();
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.owner, form->hWnd());
    EXPECT_FALSE(seen.watchedEnabled) << "the form stayed usable behind its message box";
    EXPECT_TRUE(bed->IsWindowEnabled(form->hWnd())) << "the form was not enabled again";
}

TEST_F(ContractTest, WithNoFormOnScreenAMessageBoxHasNoOwner) {
    auto form = NewForm(); // hidden, as in the tray
    bed->AnswerNextMsgBox(platform::IDYES, form->hWnd());
    EXPECT_EQ(Api().ui.MsgBox("Nobody's?", platform::MB_YESNO, "Pocketry"), platform::IDYES);
    const BoxSeen seen = bed->LastBox();
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.owner, 0u);
    EXPECT_TRUE(seen.watchedEnabled);
}

// The main window in the tray is hidden yet made active for its menu; a
// minimised one is off the screen. Either would take an owned box out of
// sight with it.
TEST_F(ContractTest, AHiddenOrMinimisedFormOwnsNoMessageBox) {
    auto form = NewForm();
    form->Show();
    form->Hide();
    Api().windows.SetForegroundWindow(form->hWnd());
    bed->AnswerNextMsgBox(platform::IDOK, form->hWnd());
    EXPECT_EQ(Api().ui.MsgBox("Hidden?", platform::MB_OK, "Pocketry"), platform::IDOK);
    EXPECT_EQ(bed->LastBox().owner, 0u) << "owned by a hidden form";

    form->Show();
    form->SetWindowState(platform::kStateMinimized);
    bed->AnswerNextMsgBox(platform::IDOK, form->hWnd());
    EXPECT_EQ(Api().ui.MsgBox("Minimised?", platform::MB_OK, "Pocketry"), platform::IDOK);
    const BoxSeen seen = bed->LastBox();
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.owner, 0u) << "owned by a minimised form";
    EXPECT_TRUE(seen.watchedEnabled);
}

// ------------------------------------------------------------ dialog keys

struct KeysCase {
    const char* name;
    std::vector<int> keys;
    std::vector<const char*> disabled, hidden; // controls
    const char* pressed;
};

void PrintTo(const KeysCase& c, std::ostream* os) {
    *os << c.name;
}

class DialogKeysTest : public ContractTest, public ::testing::WithParamInterface<KeysCase> {};

TEST_P(DialogKeysTest, PressTheButtonTheDialogManagerWould) {
    const KeysCase& c = GetParam();
    auto form = NewForm();
    for (const char* name : c.disabled)
        form->SetEnabled(name, false);
    for (const char* name : c.hidden)
        form->SetControlVisible(name, false);
    form->Show();
    events.log.clear(); // the first show's size
    for (int key : c.keys)
        bed->PressKey(*form, key);
    PostClose(*form);
    EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs));
    EXPECT_EQ(events.log, (Log{std::string("Click ") + c.pressed, "QueryUnload 0", "Unload"}));
}

INSTANTIATE_TEST_SUITE_P(
    Focus, DialogKeysTest,
    ::testing::Values(
        // The focused push button is the default.
        KeysCase{"TabToExit", {kVK_TAB, kVK_RETURN}, {}, {}, "cmdExit"},
        // A frame's controls come at the frame's place.
        KeysCase{"IntoTheFrame", {kVK_TAB, kVK_TAB, kVK_RETURN}, {}, {}, "cmdInFrame"},
        // Focus on a text box gives Enter back to the form's default; the
        // label in between takes no focus.
        KeysCase{"TextBoxMeansDefault", {kVK_TAB, kVK_TAB, kVK_TAB, kVK_RETURN}, {}, {}, "cmdOK"},
        KeysCase{"OverADisabledFrame",
                 {kVK_TAB, kVK_TAB, kVK_RETURN},
                 {"cmdExit", "fraBox"},
                 {},
                 "cmdCancel"},
        KeysCase{"OverAHiddenFrame",
                 {kVK_TAB, kVK_TAB, kVK_RETURN},
                 {"cmdExit"},
                 {"fraBox"},
                 "cmdCancel"},
        // Past the last stop Tab comes round to the first.
        KeysCase{"RoundAgain",
                 {kVK_TAB, kVK_TAB, kVK_TAB, kVK_TAB, kVK_TAB, kVK_TAB, kVK_RETURN},
                 {},
                 {},
                 "cmdExit"},
        KeysCase{"EscapeIsCancel", {kVK_TAB, kVK_ESCAPE}, {}, {}, "cmdCancel"},
        KeysCase{"EnterAtFirstIsDefault", {kVK_RETURN}, {}, {}, "cmdOK"}),
    [](const ::testing::TestParamInfo<KeysCase>& p) { return std::string(p.param.name); });

// A page switch that hides the focused control (a frame's button, here)
// must not leave the keys with a window nobody sees: the focus moves on to
// the next visible stop (the text box), whose Enter is the form's default
// and whose Tab goes on to Cancel.
struct HiddenFocusCase {
    const char* name;
    std::vector<int> keysAfter;
    const char* pressed;
};

void PrintTo(const HiddenFocusCase& c, std::ostream* os) {
    *os << c.name;
}

class HiddenFocusTest : public ContractTest,
                        public ::testing::WithParamInterface<HiddenFocusCase> {};

TEST_P(HiddenFocusTest, HidingTheFocusedControlMovesTheFocusOnToAVisibleOne) {
    auto form = NewForm();
    form->Show();
    events.log.clear();
    bool hidden = false;
    events.onClick = [&](const std::string&) {
        if (!hidden) {
            hidden = true;
            form->SetControlVisible("fraBox", false);
            for (int key : GetParam().keysAfter) // the user's next keys, after the switch
                bed->PressKey(*form, key);
        } else {
            PostClose(*form);
        }
    };
    for (int key : {kVK_TAB, kVK_TAB, kVK_RETURN})
        bed->PressKey(*form, key);
    EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs));
    EXPECT_EQ(events.log, (Log{"Click cmdInFrame", std::string("Click ") + GetParam().pressed,
                               "QueryUnload 0", "Unload"}));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HiddenFocusTest,
    ::testing::Values(HiddenFocusCase{"Enter", {kVK_RETURN}, "cmdOK"},
                      HiddenFocusCase{"TabEnter", {kVK_TAB, kVK_RETURN}, "cmdCancel"}),
    [](const ::testing::TestParamInfo<HiddenFocusCase>& p) { return std::string(p.param.name); });

// ------------------------------------------------------------ texts

// Texts the ANSI code page (1252 in the Wine prefixes) cannot hold: shown and
// read back whole, whichever way they reach the window.
struct TextCase {
    const char* name;
    const char* text;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

// The contract form with a drop-down list "cboPick" (no tab stop).
platform::FormSpec FormWithList() {
    platform::FormSpec spec = ContractFormSpec();
    platform::ControlSpec list;
    list.kind = platform::ControlKind::ComboList;
    list.name = "cboPick";
    list.left = 120, list.top = 2000, list.width = 3000, list.height = 315;
    spec.controls.push_back(list);
    return spec;
}

class ShownTextTest : public ContractTest, public ::testing::WithParamInterface<TextCase> {
  protected:
    // `text` as the form's caption and the label's, as the window is made.
    std::unique_ptr<platform::Form> TextForm(const std::string& text) {
        platform::FormSpec spec = FormWithList();
        spec.caption = text;
        for (platform::ControlSpec& c : spec.controls)
            if (c.name == "lblName")
                c.caption = text;
        return Api().ui.CreateForm(spec, events);
    }
    static bool Shows(const std::vector<std::string>& texts, const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
};

TEST_P(ShownTextTest, AFormShowsAndReadsBackItsTextsWhole) {
    const std::string text = GetParam().text;
    auto form = TextForm(text);
    form->SetText("txtName", text + " 2");
    form->AddItem("cboPick", "Switch to Juno");
    form->AddItem("cboPick", text + " 3");
    form->SetListIndex("cboPick", 1);
    form->Show();

    const std::vector<std::string> shown = bed->ShownTexts(form->hWnd());
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), text) << "the caption";
    for (const std::string& expected : {text, text + " 2", text + " 3"})
        EXPECT_TRUE(Shows(shown, expected)) << expected << " is not on the form";
    EXPECT_EQ(form->Caption(), text);
    EXPECT_EQ(form->Text("lblName"), text);
    EXPECT_EQ(form->Text("txtName"), text + " 2");
    EXPECT_EQ(form->ListItem("cboPick", 1), text + " 3");
    EXPECT_EQ(form->Text("cboPick"), text + " 3");

    // Set after the window was made.
    form->SetCaption("Options - " + text);
    form->SetText("lblName", text + ":");
    EXPECT_EQ(bed->ShownTexts(form->hWnd()).front(), "Options - " + text);
    EXPECT_TRUE(Shows(bed->ShownTexts(form->hWnd()), text + ":"));
    EXPECT_EQ(form->Caption(), "Options - " + text);
    EXPECT_EQ(form->Text("lblName"), text + ":");
}

TEST_P(ShownTextTest, AMessageBoxShowsItsTextAndCaptionWhole) {
    const std::string text = GetParam().text;
    bed->AnswerNextMsgBox(platform::IDOK, 0);
    EXPECT_EQ(Api().ui.MsgBox(text + "\r\n\r\n" + text, 0x11040, "Pocketry " + text),
              platform::IDOK);
    const BoxSeen seen = bed->LastBox();
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.text, text + "\r\n\r\n" + text);
    EXPECT_EQ(seen.caption, "Pocketry " + text);
}

INSTANTIATE_TEST_SUITE_P(
    Unicode, ShownTextTest,
    ::testing::Values(TextCase{"CjkAndAccents", "日本語 Jünö"},
                      // Full-width path syntax, which "best fit" would turn into "..\".
                      TextCase{"FullWidth", "．．＼広告"},
                      // Beyond the 16-bit plane: a surrogate pair in UTF-16.
                      TextCase{"Supplementary", "Mail \xF0\x9F\x93\xAC"}),
    [](const ::testing::TestParamInfo<TextCase>& p) { return std::string(p.param.name); });

// ------------------------------------------------------------ lists

// A stored "Tray Left" of -1 selects no entry of the options drop-down. A
// list shows none until one is chosen, and -1 takes the choice away again;
// each change raises the list's click, as a user's choice does.
TEST_F(ContractTest, ADropDownListShowsNoEntryForMinusOne) {
    auto form = Api().ui.CreateForm(FormWithList(), events);
    for (const char* item : {"Switch to Juno", "Minimize/Restore Juno", "Hide/Show Juno"})
        form->AddItem("cboPick", item);
    form->Show();
    events.log.clear();

    EXPECT_EQ(form->ListIndex("cboPick"), -1);
    form->SetListIndex("cboPick", -1);
    EXPECT_EQ(events.log, Log{}) << "no change, no click";
    form->SetListIndex("cboPick", 2);
    EXPECT_EQ(form->ListIndex("cboPick"), 2);
    EXPECT_EQ(form->Text("cboPick"), "Hide/Show Juno");
    form->SetListIndex("cboPick", -1);
    EXPECT_EQ(form->ListIndex("cboPick"), -1);
    EXPECT_EQ(form->Text("cboPick"), "");
    EXPECT_EQ(events.log, (Log{"Click cboPick", "Click cboPick"}));
}

// ------------------------------------------------------------ end of session

TEST_F(ContractTest, ASessionThatEndsUnloadsTheFormOnceAndEndsTheLoop) {
    auto form = NewForm();
    form->Show();
    bed->SendFromElsewhere(form->hWnd(), {{kWM_QUERYENDSESSION, 0, 0}, {kWM_ENDSESSION, 1, 0}},
                           kSendDelayMs);
    EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs)) << "the loop outlived the session";
    EXPECT_FALSE(form->Loaded());
    EXPECT_EQ(events.log, (Log{"Resize", "QueryUnload 2", "Unload"}));
    const auto results = bed->SendResults();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_NE(results[0], 0) << "the session was not let end";
}

TEST_F(ContractTest, ASessionCalledOffAfterTheQuestionLeavesTheFormLoaded) {
    auto form = NewForm();
    form->Show();
    // The close at the end shows that the form was still there.
    bed->SendFromElsewhere(form->hWnd(),
                           {{kWM_QUERYENDSESSION, 0, 0}, {kWM_ENDSESSION, 0, 0}, {kWM_CLOSE, 0, 0}},
                           kSendDelayMs);
    EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs));
    EXPECT_EQ(events.log,
              (Log{"Resize", "QueryUnload 2", "EndSessionCancelled", "QueryUnload 0", "Unload"}));
    const auto results = bed->SendResults();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_NE(results[0], 0);
}

TEST_F(ContractTest, AFormThatRefusesTheSessionIsNotToldItWasCalledOff) {
    events.cancelModes = {platform::kUnloadAppWindows};
    auto form = NewForm();
    form->Show();
    bed->SendFromElsewhere(form->hWnd(),
                           {{kWM_QUERYENDSESSION, 0, 0}, {kWM_ENDSESSION, 0, 0}, {kWM_CLOSE, 0, 0}},
                           kSendDelayMs);
    EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs));
    EXPECT_EQ(events.log, (Log{"Resize", "QueryUnload 2", "QueryUnload 0", "Unload"}));
    const auto results = bed->SendResults();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], 0) << "the session was let end against the form's will";
}

// ------------------------------------------------------------ window state

TEST_F(ContractTest, AWindowIsToldItsSizeWhenFirstShownOnly) {
    // Windows sends a top-level window its size at its first show, not when
    // it is made.
    auto form = NewForm();
    EXPECT_EQ(events.log, Log{});
    form->Show();
    EXPECT_EQ(events.log, Log{"Resize"});
    form->Hide();
    form->Show();
    EXPECT_EQ(events.log, Log{"Resize"});
}

TEST_F(ContractTest, AFirstShowMinimisedIsToldItsSizeAndItsState) {
    auto form = NewForm();
    form->SetWindowState(platform::kStateMinimized);
    EXPECT_EQ(events.log, Log{});
    EXPECT_EQ(form->WindowState(), platform::kStateMinimized);
    form->Show(); // its first size, then its state
    EXPECT_EQ(events.log, (Log{"Resize", "Resize"}));
    EXPECT_EQ(form->WindowState(), platform::kStateMinimized);
}

TEST_F(ContractTest, AStateSetWhileHiddenWaitsForTheNextShow) {
    auto form = NewForm();
    form->Show();
    form->Hide();
    events.log.clear();

    form->SetWindowState(platform::kStateMinimized);
    EXPECT_EQ(events.log, Log{}) << "a hidden window changed";
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->WindowState(), platform::kStateMinimized);

    form->Show();
    EXPECT_EQ(events.log, Log{"Resize"});
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->WindowState(), platform::kStateMinimized);

    form->SetWindowState(platform::kStateNormal);
    EXPECT_EQ(events.log, (Log{"Resize", "Resize"}));
    EXPECT_EQ(form->WindowState(), platform::kStateNormal);

    form->SetWindowState(platform::kStateNormal); // no change, no event
    EXPECT_EQ(events.log, (Log{"Resize", "Resize"}));
}

} // namespace
} // namespace pocketry::contract
