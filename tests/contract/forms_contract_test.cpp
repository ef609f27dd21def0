// The message loop and the session's end, message boxes, dialog keys, texts,
// the drop-down list, window states and what a window tells about itself, as
// every implementation of the user interface and the windows keeps them.
#include "contract_fixture.h"

namespace pocketry::contract {
namespace {

using Log = std::vector<std::string>;

// Messages another program sends one after another (none: a close is
// posted), the unload mode the form cancels, and what comes of them. Sent
// messages are handled inside the wait for the next message, which does not
// return for them: the loop must see the last form go anyway.
struct LoopCase {
    const char* name;
    std::vector<SentMessage> sent;
    int cancelMode;                     // -1 none
    Log log;                            // after the first show's size
    std::vector<std::intptr_t> results; // of the sends
};

TEST_F(ContractTest, TheFormHearsWhatWindowsDeliversAndTheLoopEndsWithIt) {
    constexpr SentMessage query{kWM_QUERYENDSESSION, 0, 0}, end{kWM_ENDSESSION, 1, 0},
        calledOff{kWM_ENDSESSION, 0, 0}, close{kWM_CLOSE, 0, 0};
    const LoopCase rows[] = {
        {"PostedClose", {}, -1, {"QueryUnload 0", "Unload"}, {}},
        {"SentClose", {close}, -1, {"QueryUnload 0", "Unload"}, {0}},
        // The session ends: the form goes once.
        {"SessionEnds", {query, end}, -1, {"QueryUnload 2", "Unload"}, {1, 0}},
        // Called off after the question: the close shows the form stayed.
        {"SessionCalledOff",
         {query, calledOff, close},
         -1,
         {"QueryUnload 2", "EndSessionCancelled", "QueryUnload 0", "Unload"},
         {1, 0, 0}},
        // A form that refused the session is not told it was called off.
        {"SessionRefused",
         {query, calledOff, close},
         platform::kUnloadAppWindows,
         {"QueryUnload 2", "QueryUnload 0", "Unload"},
         {0, 0, 0}},
    };
    for (const LoopCase& c : rows) {
        SCOPED_TRACE(c.name);
        events.cancelMode = c.cancelMode;
        auto form = NewForm();
        form->Show();
        events.log.clear();
        if (c.sent.empty())
            PostClose(*form);
        else
            bed->SendFromElsewhere(form->hWnd(), c.sent);
        EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs)) << "the loop outlived its last form";
        EXPECT_FALSE(form->Loaded());
        EXPECT_EQ(events.log, c.log);
        EXPECT_EQ(bed->SendResults(), c.results);
    }
}

// Who owns a message box, whether the form behind it may be used meanwhile,
// and the box's texts, whole in any script. The main window in the tray is
// hidden yet made active for its menu; a minimised one is off the screen:
// either would take an owned box out of sight with it.
enum class FormIs { Shown, NotShown, HiddenButActive, Minimised };

struct BoxCase {
    const char* name;
    FormIs form;
    std::uint32_t style;
    int answer;
    const char* text;
};

// Texts the ANSI code page (1252 in the Wine prefixes) cannot hold: full-width
// path syntax, which "best fit" would turn into "..\", and beyond the 16-bit
// plane, a surrogate pair in UTF-16.
constexpr const char *kCjk = "日本語 Jünö", *kFullWidth = "．．＼広告",
                     *kSupplementary = "Mail \xF0\x9F\x93\xAC";

TEST_F(ContractTest, TheActiveFormOwnsAMessageBoxAndWaitsDisabledBehindIt) {
    using platform::IDOK, platform::MB_OK;
    const BoxCase rows[] = {
        {"Shown", FormIs::Shown, MB_OK | platform::MB_ICONINFORMATION, IDOK, kCjk},
        {"NotShown", FormIs::NotShown, platform::MB_YESNO, platform::IDYES, kFullWidth},
        {"HiddenButActive", FormIs::HiddenButActive, 0x11040, IDOK, kSupplementary},
        {"Minimised", FormIs::Minimised, MB_OK, IDOK, "Minimised?"},
    };
    for (const BoxCase& c : rows) {
        SCOPED_TRACE(c.name);
        auto form = NewForm();
        if (c.form != FormIs::NotShown)
            form->Show();
        if (c.form == FormIs::HiddenButActive) {
            form->Hide();
            Api().windows.SetForegroundWindow(form->hWnd());
        }
        if (c.form == FormIs::Minimised)
            form->SetWindowState(platform::kStateMinimized);
        const std::string text = c.text, message = text + "\r\n\r\n" + text;
        bed->AnswerNextMsgBox(c.answer, form->hWnd());
        EXPECT_EQ(Api().ui.MsgBox(message, c.style, "Pocketry " + text), c.answer);
        const bool owned = c.form == FormIs::Shown;
        EXPECT_EQ(bed->LastBox(),
                  (BoxSeen{true, owned ? form->hWnd() : 0, !owned, message, "Pocketry " + text}));
        EXPECT_TRUE(bed->IsWindowEnabled(form->hWnd())) << "the form was not enabled again";
    }
}

// The keys pressed and the buttons they click. A page switch that hides the
// focused control (a frame's button, here) must not leave the keys with a
// window nobody sees: the focus moves on to the next visible stop.
struct KeysCase {
    const char* name;
    std::vector<int> keys;
    std::vector<const char*> disabled, hidden; // controls
    Log clicked;
    std::vector<int> keysOnceHidden = {}; // at the first click fraBox goes and these follow
};

TEST_F(ContractTest, KeysPressTheButtonTheDialogManagerWould) {
    constexpr int tab = kVK_TAB, enter = kVK_RETURN;
    const std::vector<int> tabTabEnter = {tab, tab, enter};
    const KeysCase rows[] = {
        // The focused push button is the default.
        {"TabToExit", {tab, enter}, {}, {}, {"cmdExit"}},
        // A frame's controls come at the frame's place.
        {"IntoTheFrame", tabTabEnter, {}, {}, {"cmdInFrame"}},
        // Focus on a text box gives Enter back to the form's default; the
        // label in between takes no focus.
        {"TextBoxMeansDefault", {tab, tab, tab, enter}, {}, {}, {"cmdOK"}},
        {"OverADisabledFrame", tabTabEnter, {"cmdExit", "fraBox"}, {}, {"cmdCancel"}},
        {"OverAHiddenFrame", tabTabEnter, {"cmdExit"}, {"fraBox"}, {"cmdCancel"}},
        // Past the last stop Tab comes round to the first.
        {"RoundAgain", {tab, tab, tab, tab, tab, tab, enter}, {}, {}, {"cmdExit"}},
        {"EscapeIsCancel", {tab, kVK_ESCAPE}, {}, {}, {"cmdCancel"}},
        {"EnterAtFirstIsDefault", {enter}, {}, {}, {"cmdOK"}},
        // The focus moves on to the text box, whose Enter is the form's
        // default and whose Tab goes on to Cancel.
        {"HiddenFocusThenEnter", tabTabEnter, {}, {}, {"cmdInFrame", "cmdOK"}, {enter}},
        {"HiddenFocusThenTab", tabTabEnter, {}, {}, {"cmdInFrame", "cmdCancel"}, {tab, enter}},
    };
    for (const KeysCase& c : rows) {
        SCOPED_TRACE(c.name);
        auto form = NewForm();
        for (const char* name : c.disabled)
            form->SetEnabled(name, false);
        for (const char* name : c.hidden)
            form->SetControlVisible(name, false);
        form->Show();
        events.log.clear(); // the first show's size
        bool switched = c.keysOnceHidden.empty();
        events.onClick = [&](const std::string&) {
            if (switched)
                return PostClose(*form);
            switched = true;
            form->SetControlVisible("fraBox", false);
            for (int key : c.keysOnceHidden)
                bed->PressKey(*form, key);
        };
        for (int key : c.keys)
            bed->PressKey(*form, key);
        EXPECT_TRUE(bed->RunLoop(kLoopTimeoutMs));
        Log expected;
        for (const std::string& button : c.clicked)
            expected.push_back("Click " + button);
        expected.insert(expected.end(), {"QueryUnload 0", "Unload"});
        EXPECT_EQ(events.log, expected);
    }
}

// Texts the ANSI code page cannot hold, shown and read back whole, whether
// they come with the window or later.
TEST_F(ContractTest, AFormShowsAndReadsBackItsTextsWhole) {
    for (const std::string text : {kCjk, kFullWidth, kSupplementary}) {
        SCOPED_TRACE(text);
        platform::FormSpec spec = ContractFormSpec();
        spec.caption = text;
        spec.controls[4].caption = text; // lblName
        auto form = Api().ui.CreateForm(spec, events);
        form->SetText("txtName", text + " 2");
        form->AddItem("cboPick", "Switch to Juno");
        form->AddItem("cboPick", text + " 3");
        form->SetListIndex("cboPick", 1);
        form->Show();
        // The title, then every control in the order they were made.
        auto screen = [&](const std::string& caption, const std::string& label) {
            return Log{caption, "OK",        "Exit",   "",         "In frame",
                       label,   text + " 2", "Cancel", text + " 3"};
        };

        EXPECT_EQ(bed->ShownTexts(form->hWnd()), screen(text, text));
        EXPECT_EQ((Log{form->Caption(), form->Text("lblName"), form->Text("txtName"),
                       form->ListItem("cboPick", 1), form->Text("cboPick")}),
                  (Log{text, text, text + " 2", text + " 3", text + " 3"}));

        form->SetCaption("Options - " + text);
        form->SetText("lblName", text + ":");
        EXPECT_EQ(bed->ShownTexts(form->hWnd()), screen("Options - " + text, text + ":"));
        EXPECT_EQ((Log{form->Caption(), form->Text("lblName")}),
                  (Log{"Options - " + text, text + ":"}));
    }
}

// A stored "Tray Left" of -1 selects no entry of the options drop-down. A
// list shows none until one is chosen, and -1 takes the choice away again;
// each change raises the list's click, as a user's choice does.
TEST_F(ContractTest, ADropDownListShowsNoEntryForMinusOne) {
    auto form = NewForm();
    for (const char* item : {"Switch to Juno", "Minimize/Restore Juno", "Hide/Show Juno"})
        form->AddItem("cboPick", item);
    form->Show();
    events.log.clear();

    auto choice = [&] { return std::pair(form->ListIndex("cboPick"), form->Text("cboPick")); };

    EXPECT_EQ(choice(), std::pair(-1, std::string()));
    form->SetListIndex("cboPick", -1);
    EXPECT_EQ(events.log, Log{}) << "no change, no click";
    form->SetListIndex("cboPick", 2);
    EXPECT_EQ(choice(), std::pair(2, std::string("Hide/Show Juno")));
    form->SetListIndex("cboPick", -1);
    EXPECT_EQ(choice(), std::pair(-1, std::string()));
    EXPECT_EQ(events.log, (Log{"Click cboPick", "Click cboPick"}));
}

// Windows tells a top-level window its size at its first show, not when it
// is made, and then at each change of state; a state set while hidden waits
// for the next show. After each step: the sizes it told, and whether the
// form is visible in which state.
TEST_F(ContractTest, AFormIsToldItsSizeAsWindowsSendsIt) {
    enum Step { Show, Hide, Minimise, Restore };
    using Script = std::vector<std::pair<Step, int>>;
    const Script shownFirst = {{Show, 1},     {Hide, 0}, {Show, 0},    {Hide, 0},
                               {Minimise, 0}, {Show, 1}, {Restore, 1}, {Restore, 0}};
    const Script minimisedFirst = {{Minimise, 0}, {Show, 2}}; // its first size, then its state
    for (const Script& script : {shownFirst, minimisedFirst}) {
        auto form = NewForm();
        bool visible = false;
        int state = platform::kStateNormal;
        for (std::size_t i = 0; i < script.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i + 1) + " of " + std::to_string(script.size()));
            const auto [step, sizes] = script[i];
            events.log.clear();
            if (step == Show || step == Hide) {
                visible = step == Show;
                visible ? form->Show() : form->Hide();
            } else {
                state = step == Minimise ? platform::kStateMinimized : platform::kStateNormal;
                form->SetWindowState(state);
            }
            EXPECT_EQ(events.log, Log(static_cast<std::size_t>(sizes), "Resize"));
            EXPECT_EQ(form->Visible(), visible);
            EXPECT_EQ(form->WindowState(), state);
        }
    }
}

// Its thread and process, that it answers, and a reason it may give for
// holding up the end of a session; none of them for a window that is not.
TEST_F(ContractTest, AWindowTellsItsThreadAndProcessAndMayGiveAShutdownReason) {
    auto form = NewForm();
    platform::Windows& w = Api().windows;
    const Hwnd h = form->hWnd(), none = 0x7FF0;
    std::uint32_t process = 0;
    const std::uint32_t thread = w.GetWindowThreadProcessId(h, process);
    EXPECT_NE(thread, 0u);
    EXPECT_EQ(thread, w.GetWindowThreadProcessId(h));
    EXPECT_NE(process, 0u);
    EXPECT_FALSE(w.IsHungAppWindow(h));
    // Wine 8 has the two calls as stubs that fail: it shows no reason.
    EXPECT_EQ(w.ShutdownBlockReasonCreate(h, "Closing Juno"), !bed->IsWine());
    EXPECT_EQ(w.ShutdownBlockReasonDestroy(h), !bed->IsWine());

    process = 99;
    EXPECT_EQ(w.GetWindowThreadProcessId(none, process), 0u);
    EXPECT_EQ(process, 0u);
    EXPECT_FALSE(w.IsHungAppWindow(none));
    EXPECT_FALSE(w.ShutdownBlockReasonCreate(none, "Closing Juno"));
    EXPECT_FALSE(w.ShutdownBlockReasonDestroy(none));
}

} // namespace
} // namespace pocketry::contract
