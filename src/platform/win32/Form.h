#pragma once
#include "platform/PixelGrid.h"
#include "platform/win32/Win32.h"

#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace pocketry::platform::win32 {

class UserInterface;

// A form made of real windows: a top-level window of its own class and a
// child window per control of the table (frames are containers whose controls
// are their children). Lines are painted by their container; timers are
// Windows timers of the form; images only hold an icon.
//
// The windows are Unicode (wide classes and procedures); texts are the
// program's UTF-8, converted at each call with Wide and Utf8.
//
// Events reach the handler object from the window procedures; anything a
// handler throws is caught there. A handler may unload the form or even
// destroy this object: the procedures check for that before going on.
//
// The code lies in FormLife.cpp (life, window procedures, unload),
// FormControls.cpp, FormInput.cpp (keys, focus, mouse), FormPaint.cpp,
// FormWindow.cpp (show, placement, state) and FormMenu.cpp.
class Form final : public platform::Form {
  public:
    // Creates the hidden window with its controls; throws when the table is
    // inconsistent or Windows refuses to create a window.
    Form(UserInterface& ui, const FormSpec& spec, FormEvents& events);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    std::uint32_t hWnd() const override { return ToHwnd(hwnd_); }
    bool Loaded() const override { return hwnd_ != nullptr; }

    void Show() override;
    void ShowModal() override;
    void Hide() override;
    bool Visible() const override;
    void Refresh() override;
    void Unload(int unloadMode = kUnloadFormCode) override;
    int WindowState() const override;
    void SetWindowState(int state) override;
    std::string Caption() const override;
    void SetCaption(const std::string& text) override;
    int Left() const override;
    int Top() const override;
    int Width() const override;
    int Height() const override;
    void Move(int left, int top) override;
    void SetShowInTaskbar(bool show) override;
    double TwipsPerPixelX() const override { return 1440.0 / dpi_; }
    double TwipsPerPixelY() const override { return 1440.0 / dpi_; }

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

    // ----- for the message loop
    HWND Handle() const { return hwnd_; }
    bool KeyPreview() const { return spec_.keyPreview; }
    // Expires when this object is destroyed.
    std::weak_ptr<const char> Token() const { return alive_; }
    // Form_KeyDown; false when the key must go no further (the handler took
    // it, or the form is gone).
    bool PreviewKey(WPARAM& key);
    // Tab, Enter and Esc as a dialog handles them; true when taken.
    bool HandleDialogKey(const MSG& msg);

  private:
    struct Control {
        ControlSpec spec;
        int id = 0;                                   // child window id, timer id
        HWND hwnd = nullptr;                          // windowed controls
        HWND container = nullptr;                     // the window it sits on
        int left = 0, top = 0, width = 0, height = 0; // twips as last set
        bool visible = true;
        bool enabled = true;
        bool bold = false;
        bool underline = false;
        int value = 0;                     // check boxes once their window is gone
        std::optional<COLORREF> foreColor; // set by the program
        std::string text;                  // controls without a window
        bool timerRunning = false;         // Windows timer set
        bool inTimer = false;              // its handler is running
        mutable OwnedIcon icon;            // images, at the size of...
        mutable int iconSize = 0;          // ...the tray's small icons when loaded
    };
    struct MenuItem {
        MenuSpec spec;
        std::string caption;
        bool enabled = true;
    };
    using FontKey = std::tuple<std::wstring, int, bool, bool>; // face, 1/100 pt, bold, underline

    static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR index, DWORD_PTR self);
    friend class UserInterface;

    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Messages of a child control before the control sees them; `handled`
    // set when the control must not see it.
    LRESULT OnControlMessage(std::size_t index, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                             bool& handled);

    // Calls a handler; false when the form was unloaded or this object
    // destroyed meanwhile (then nothing of this object may be touched).
    template <typename Call> bool Fire(Call&& call);
    // Raises the control's Click, as a user's click or change does.
    void FireClick(const Control& c);

    void CreateControls();
    // The client area's layout at the window's own DPI: twips to pixels.
    int Pixels(int twips) const { return TwipsToPixels(twips, dpi_); }
    int SpanPixels(int start, int length) const {
        return platform::SpanPixels(start, length, dpi_);
    }
    void PlaceControl(const Control& c);
    // The outer size of the window whose client area the table gives, at `dpi`.
    SIZE OuterSize(int dpi) const;
    // The window's small and large icons for its DPI.
    void SetWindowIcons();
    // The window moved to a monitor of another DPI (or the scale changed):
    // everything is laid out again as a fresh start at that DPI would.
    void OnDpiChanged(int dpi, const RECT& suggested);
    void CreateControl(std::size_t index, std::vector<bool>& made);
    void ArrangeTabOrder();
    void ApplyFont(Control& c);
    HFONT FontFor(const Control& c);
    COLORREF DefaultForeColor(const Control& c) const;
    LRESULT OnControlColor(HDC dc, HWND child);
    void PaintContainer(HWND container, HDC dc);
    void OnCommand(HWND child, WORD code);
    void OnTimer(UINT_PTR id);
    void OnMouse(const std::string& name, UINT msg, WPARAM wParam, LPARAM lParam);
    bool SetCursorFor(const Control* c, LPARAM lParam);
    void StartTimer(Control& c);
    void StopTimer(Control& c);
    HWND FirstTabStop() const;
    void RestoreFocus();
    void KeepFocusVisible();
    void ClickButton(const Control& c);
    // The form's own default button (the table's), or null.
    const Control* FormDefaultButton() const;
    // The dialog manager's rule after focus moved to `focus`.
    void UpdateDefaultButton(HWND focus);
    // Runs one unload handler with the form marked as unloading; false when
    // the form went meanwhile (or this object was destroyed).
    template <typename Call> bool UnloadStep(Call&& call);
    // Unload path; true when the form went.
    bool RunUnload(int unloadMode);
    // WM_QUERYENDSESSION: true when the session may end.
    bool QueryEndSession();
    // WM_ENDSESSION: the session ends (the form goes) or goes on.
    void EndSession(bool ending);
    void Destroy();
    void OnDestroyed();
    void ReenableAfterModal();
    OwnedMenu BuildMenu(const std::string& parent);

    Control& At(const std::string& name);
    const Control& At(const std::string& name) const;
    Control* ByWindow(HWND hwnd);
    std::size_t MenuIndex(const std::string& name) const;
    int ShiftState() const;

    UserInterface& ui_;
    FormSpec spec_;
    FormEvents* events_;
    std::shared_ptr<const char> alive_;
    HWND hwnd_ = nullptr;
    DWORD style_ = 0;
    DWORD exStyle_ = 0;
    int dpi_ = 96; // the DPI of the window's monitor
    std::vector<Control> controls_;
    std::map<std::string, std::size_t> byName_;
    std::vector<MenuItem> menus_;
    std::map<FontKey, OwnedFont> fonts_;
    OwnedIcon smallIcon_;
    OwnedIcon bigIcon_;
    HWND lastFocus_ = nullptr;
    std::optional<int> pendingState_; // window state set while hidden
    bool showInTaskbar_ = true;
    bool creating_ = false;
    bool destroying_ = false;
    bool unloading_ = false;
    // What this form answered the last WM_QUERYENDSESSION.
    enum class SessionQuery { None, Allowed, Refused } sessionQuery_ = SessionQuery::None;
    std::vector<HWND> disabledByModal_;
};

} // namespace pocketry::platform::win32
