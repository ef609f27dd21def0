#pragma once
// The program's forms in the simulation. The Form part is the program's
// view; the rest is what a user (the test) can do to it.
// - The window is a top-level sim window of class "PocketryForm" titled with
//   the caption, owned by the program's thread, hidden until shown; its
//   procedure value can be replaced with SetWindowLongA, and the original
//   one handles WM_CLOSE as the close box does and the two messages of the
//   end of a session as Windows sends them.
// - Form_Resize fires when the window is first shown (Windows sends a top-level
//   window its size then, not at creation) and when its state really changes
//   (SetWindowState on a shown window, Minimize, ShowWindow on the form's
//   window, a show that applies a state set while hidden); a hidden window
//   keeps a state set for its next show, as the Windows form does.
// - Focus: one control of the form has it. Tab and Shift+Tab move it along
//   the tab order (by tab index within each container, containers at their
//   own place), over the controls that take focus (buttons, check boxes,
//   text boxes, lists) and are visible and enabled up to the form. Enter
//   presses the focused push button, else the default button; Esc the
//   cancel button. A label's mnemonic passes focus to the next tab stop.
// - Check boxes (and tab buttons) fire Click whenever Value changes, by code
//   too; a list fires Click whenever ListIndex changes.
// - Timers count from the form's creation or from being enabled.
// - Width/Height are the client size plus a 3-pixel border and a 19-pixel
//   caption; a form centred on screen starts there, any other at 0, 0.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimForm : public platform::Form {
  public:
    SimForm(SimDesktop& desk, const platform::FormSpec& spec, platform::FormEvents& events);
    ~SimForm() override;
    SimForm(const SimForm&) = delete;
    SimForm& operator=(const SimForm&) = delete;

    // ---- the user
    const std::string& Name() const { return spec_.name; }
    // Clicks a control the way a user can: only when it, its containers and
    // the form are visible and enabled. A check box toggles; a control that
    // takes focus gets it. False if refused.
    bool Click(const std::string& control);
    // A key press: Form_KeyDown first when the form previews keys; then,
    // unless the handler zeroed the code, Tab, Enter and Esc as above.
    void PressKey(int keyCode, int shift = 0);
    // Alt with a letter: the control whose caption marks it with "&". A label
    // passes focus to the next tab stop; a push button is pressed; a check box
    // gets focus and toggles; another control gets focus. False if none.
    bool PressMnemonic(char letter);
    void MouseMove(const std::string& control, int button, int shift, int x, int y);
    void MouseUp(const std::string& control, int button, int shift, int x, int y);
    void CloseBox() { Unload(platform::kUnloadFormControlMenu); }
    // The end of a session in its two steps, as Windows sends them: the
    // question (Form_QueryUnload with kUnloadAppWindows; true when the session
    // may end), then the outcome: ending runs Form_Unload and destroys the
    // window; not ending, after a question that was not cancelled, fires
    // Form_EndSessionCancelled and the form stays.
    bool QueryEndSession();
    void EndSession(bool ending);
    void EndSession() { EndSession(QueryEndSession()); } // both steps
    // The window moved to a monitor of another scale: Form_DpiChanged. The
    // table's twips stay; what the program set from pixels it sets again.
    void MoveToDpi(int dpi);
    void Minimize() { SetWindowState(platform::kStateMinimized); }
    void Restore() { SetWindowState(platform::kStateNormal); }

    // ---- inspection
    bool HasControl(const std::string& control) const { return controls_.count(control) != 0; }
    // The texts its controls with a window show (buttons, labels, text boxes,
    // frames; a list its selected entry), in table order.
    std::vector<std::string> ShownTexts() const;
    bool ShowInTaskbar() const { return showInTaskbar_; }
    bool IsModal() const { return modal_; }
    Hwnd OwnerWindow() const { return owner_; } // of a modal show; 0 none
    int TimerInterval(const std::string& timer) const;
    int RefreshCount() const { return refreshes_; }
    // The control with focus, "" none; the push button drawn as the default
    // (the focused push button, else the form's default), "" none.
    std::string FocusedControl() const;
    std::string DefaultPushButton() const;
    // Gives focus as a click would; false when the control cannot take it.
    bool SetFocusTo(const std::string& control);
    SimDesktop& Desktop() const { return desk_; }

    // ---- for the desktop's services
    std::intptr_t DefaultProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
    void WindowGone() { loaded_ = false; } // destroyed from outside: no handlers run
    void StateChanged();                   // the window's state changed: Form_Resize
    // True the first time the window is shown: Windows sends the size then.
    bool TakeFirstShow() { return !std::exchange(everShown_, true); }
    void MovedTo(int xPixels, int yPixels); // the window moved
    std::uint64_t Id() const { return id_; }
    std::uint64_t ShowSeq() const { return shownSeq_; }
    // The earliest due timer at `now` (first in table order at equal times).
    std::optional<std::pair<std::uint64_t, std::string>> DueTimer(std::uint64_t now) const;
    void RunTimer(const std::string& timer, std::uint64_t now);
    void Detach() {
        loaded_ = false;
        detached_ = true;
    }

    // ---- platform::Form
    std::uint32_t hWnd() const override { return hWnd_; }
    bool Loaded() const override { return loaded_; }
    void Show() override;
    void ShowModal() override;
    void Hide() override;
    bool Visible() const override;
    void Refresh() override { ++refreshes_; }
    void Unload(int unloadMode = platform::kUnloadFormCode) override;
    int WindowState() const override;
    void SetWindowState(int state) override;
    std::string Caption() const override;
    void SetCaption(const std::string& text) override;
    int Left() const override { return left_; }
    int Top() const override { return top_; }
    int Width() const override;
    int Height() const override;
    void Move(int left, int top) override;
    void SetShowInTaskbar(bool show) override { showInTaskbar_ = show; }
    double TwipsPerPixelX() const override { return tppX_; }
    double TwipsPerPixelY() const override { return tppY_; }
    std::string Text(const std::string& control) const override;
    void SetText(const std::string& control, const std::string& text) override;
    bool Enabled(const std::string& control) const override;
    void SetEnabled(const std::string& control, bool enabled) override;
    bool ControlVisible(const std::string& control) const override;
    void SetControlVisible(const std::string& control, bool visible) override;
    int Value(const std::string& control) const override;
    void SetValue(const std::string& control, int value) override;
    bool FontBold(const std::string& control) const override;
    void SetFontBold(const std::string& control, bool bold) override;
    bool FontUnderline(const std::string& control) const override;
    void SetFontUnderline(const std::string& control, bool underline) override;
    std::uint32_t ForeColor(const std::string& control) const override;
    void SetForeColor(const std::string& control, std::uint32_t color) override;
    void MoveControl(const std::string& control, int left, int top, int width, int height) override;
    int ControlLeft(const std::string& control) const override;
    int ControlTop(const std::string& control) const override;
    int ControlWidth(const std::string& control) const override;
    int ControlHeight(const std::string& control) const override;
    void AddItem(const std::string& control, const std::string& item) override;
    int ListCount(const std::string& control) const override;
    std::string ListItem(const std::string& control, int index) const override;
    int ListIndex(const std::string& control) const override;
    void SetListIndex(const std::string& control, int index) override;
    bool TimerEnabled(const std::string& timer) const override;
    void SetTimerEnabled(const std::string& timer, bool enabled) override;
    std::uint32_t Picture(const std::string& image) const override;
    std::string MenuCaption(const std::string& item) const override;
    void SetMenuCaption(const std::string& item, const std::string& caption) override;
    bool MenuEnabled(const std::string& item) const override;
    void SetMenuEnabled(const std::string& item, bool enabled) override;
    void PopupMenu(const std::string& parent, std::uint32_t flags,
                   const std::string& defaultItem) override;

  private:
    struct Control {
        platform::ControlSpec spec;
        std::string text;
        bool enabled = true, visible = true, bold = false, underline = false;
        int value = 0;
        std::uint32_t foreColor = kDefaultForeColor;
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<std::string> items;
        int listIndex = -1;
        std::uint64_t nextDue = 0; // timers
        bool running = false;      // timers: handler under way
        HIcon picture = 0;
    };
    struct Menu {
        platform::MenuSpec spec;
        bool enabled = true;
    };
    Control* Find(const std::string& control, const char* use);
    const Control* Find(const std::string& control, const char* use) const;
    Menu* FindMenu(const std::string& item, const char* use);
    const Menu* FindMenu(const std::string& item, const char* use) const;
    bool Usable(const Control& c) const; // visible and enabled up to the form
    bool IsTabStop(const Control& c) const;
    std::vector<std::string> TabOrder() const; // every control, containers first of theirs
    std::string NextTabStop(const std::string& from, bool back) const;
    std::string FirstTabStop() const { return NextTabStop("", false); }
    void PressButton(const std::string& control);
    void Destroy(); // the window goes, no handlers run
    void ReleaseOwner();
    void KeepFocusVisible();
    template <class F> void Fire(const char* what, F&& f);

    SimDesktop& desk_;
    platform::FormSpec spec_;
    platform::FormEvents& events_;
    std::uint64_t id_;
    Hwnd hWnd_ = 0;
    bool loaded_ = true, unloading_ = false, modal_ = false, showInTaskbar_ = true;
    bool detached_ = false;       // the desktop went first
    bool sessionQueried_ = false; // asked whether the session may end, and agreed
    int left_ = 0, top_ = 0;
    double tppX_, tppY_; // of the window's monitor
    int refreshes_ = 0;
    std::uint64_t shownSeq_ = 0;
    bool everShown_ = false;
    std::optional<int> pendingState_; // window state set while hidden
    Hwnd owner_ = 0;                  // the form a modal show is owned by
    bool ownerDisabled_ = false;      // ... and disabled
    std::string focus_;
    bool focusHidden_ = false; // a handler hid the focused control; moved when it is done
    int fireDepth_ = 0;        // handlers running now
    std::map<std::string, Control> controls_;
    std::vector<std::string> timerOrder_;
    std::map<std::string, Menu> menus_;
};

} // namespace pocketry::sim
