#pragma once
// Forms are data plus handlers: a control table in twips, copied from the
// window's design, and an event object whose member functions carry the
// handler names. The user-interface service builds a window from the table
// (real controls on Windows, an in-memory model in the simulation) and
// delivers its events.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pocketry::platform {

enum class ControlKind {
    CommandButton,
    CheckBox,
    TabButton, // a check box drawn as a push button: looks pressed while checked
    Label,
    TextBox,
    ComboList, // drop-down list, not sorted, no typing
    Frame,     // container with a border, no caption
    FrameBorderless,
    Line,  // left/top/width/height hold x1, y1, x2, y2
    Timer, // width holds nothing; `interval` and `enabled` matter
    Image, // a picture holder for an icon resource, never drawn on the window
};

enum class Alignment { Left, Right, Center };

// Mouse pointer codes of controls and of the screen.
constexpr int kPointerDefault = 0, kPointerArrow = 1, kPointerUpArrow = 10, kPointerHourglass = 11;

// System colour indexes, used where a colour follows the desktop scheme.
constexpr int COLOR_BTNSHADOW = 16, COLOR_BTNHIGHLIGHT = 20, COLOR_BTNTEXT = 18;

struct ControlSpec {
    ControlKind kind = ControlKind::Label;
    std::string name;      // "cmdOK", or "Frame1(0)" for a member of a control array
    std::string caption;   // caption or text at design time
    int left = 0, top = 0; // twips, relative to the container
    int width = 0, height = 0;
    std::string container; // empty: the form itself
    int tabIndex = -1;     // -1: takes no focus
    bool isDefault = false, isCancel = false;
    bool multiLine = false, vScroll = false, readOnly = false;
    Alignment alignment = Alignment::Left;
    bool bold = false;
    std::string fontName; // empty: the dialog font
    double fontSize = 0;  // points; 0: the dialog font's size
    int mousePointer = kPointerDefault;
    int sysColor = -1; // lines: colour; labels: text colour; -1 the default
    int interval = 0;  // timers, in milliseconds
    bool enabled = true;
    bool visible = true;
    int iconResource = 0; // images: resource id of the icon
};

struct MenuSpec {
    std::string name;
    std::string caption; // "-" is a separator
    std::string parent;  // empty: a top item
};

enum class BorderStyle { FixedSingle, FixedDialog };

struct FormSpec;
// Appends one row of a control table; the rest of the row keeps its defaults.
ControlSpec& AddControl(FormSpec& spec, ControlKind kind, const std::string& name,
                        const std::string& caption, int left, int top, int width, int height,
                        int tabIndex, const std::string& container = "");

struct FormSpec {
    std::string name;
    std::string caption;
    int clientWidth = 0, clientHeight = 0; // twips
    BorderStyle border = BorderStyle::FixedSingle;
    bool minButton = false, maxButton = false;
    bool keyPreview = false; // key presses reach Form_KeyDown before the control
    bool centerOnScreen = false;
    int iconResource = 0;
    std::vector<ControlSpec> controls;
    std::vector<MenuSpec> menus;
};

inline ControlSpec& AddControl(FormSpec& spec, ControlKind kind, const std::string& name,
                               const std::string& caption, int left, int top, int width, int height,
                               int tabIndex, const std::string& container) {
    ControlSpec c;
    c.kind = kind;
    c.name = name;
    c.caption = caption;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tabIndex;
    c.container = container;
    spec.controls.push_back(c);
    return spec.controls.back();
}

// Window states and the causes of an unload, with their classic values.
constexpr int kStateNormal = 0, kStateMinimized = 1, kStateMaximized = 2;
constexpr int kUnloadFormControlMenu = 0, kUnloadFormCode = 1, kUnloadAppWindows = 2,
              kUnloadAppTaskManager = 3;
// Mouse buttons and modifier flags of mouse and key events.
constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;
constexpr std::uint32_t kTrackRightButton = 2; // TPM_RIGHTBUTTON

// The handlers of one form. Every event has an empty default so a form
// implements only the ones it uses. The platform calls these on the
// user-interface thread and catches anything they throw.
class FormEvents {
  public:
    virtual ~FormEvents() = default;
    virtual void Form_QueryUnload(int& cancel, int unloadMode) {
        (void)cancel;
        (void)unloadMode;
    }
    virtual void Form_Unload(int& cancel) { (void)cancel; }
    // Windows asked whether the session may end (Form_QueryUnload ran with
    // kUnloadAppWindows and did not cancel) and then did not end it after
    // all: the form stays loaded and the program goes on.
    virtual void Form_EndSessionCancelled() {}
    virtual void Form_Resize() {}
    // The window is now at another DPI (moved to another monitor, or the
    // scale changed): its table's controls, fonts and size are laid out again
    // already; what the handler placed from pixel spacings it places again.
    virtual void Form_DpiChanged() {}
    // Setting keyCode to 0 keeps the key from the focused control.
    virtual void Form_KeyDown(int& keyCode, int shift) {
        (void)keyCode;
        (void)shift;
    }
    // control is empty for the form's own background.
    virtual void MouseMove(const std::string& control, int button, int shift, int x, int y) {
        (void)control, (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void MouseUp(const std::string& control, int button, int shift, int x, int y) {
        (void)control, (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void Click(const std::string& control) { (void)control; }
    virtual void Timer(const std::string& timer) { (void)timer; }
    // Also fired for a parent item just before its pop-up opens.
    virtual void MenuClick(const std::string& item) { (void)item; }
};

// A loaded form. Controls are named as in the table.
class Form {
  public:
    virtual ~Form() = default;

    virtual std::uint32_t hWnd() const = 0;
    virtual bool Loaded() const = 0; // false once destroyed

    // The window.
    virtual void Show() = 0;
    virtual void ShowModal() = 0; // returns when the form has been unloaded
    virtual void Hide() = 0;
    virtual bool Visible() const = 0;
    virtual void Refresh() = 0;
    virtual void Unload(int unloadMode = kUnloadFormCode) = 0; // runs the unload handlers
    virtual int WindowState() const = 0;
    virtual void SetWindowState(int state) = 0;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& text) = 0;
    // Outer position and size in twips.
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void Move(int left, int top) = 0;
    virtual void SetShowInTaskbar(bool show) = 0; // the application's taskbar button
    // Twips per pixel of the monitor the window is on.
    virtual double TwipsPerPixelX() const = 0;
    virtual double TwipsPerPixelY() const = 0;

    // Controls.
    virtual std::string Text(const std::string& control) const = 0;
    virtual void SetText(const std::string& control, const std::string& text) = 0;
    virtual bool Enabled(const std::string& control) const = 0;
    virtual void SetEnabled(const std::string& control, bool enabled) = 0;
    virtual bool ControlVisible(const std::string& control) const = 0;
    virtual void SetControlVisible(const std::string& control, bool visible) = 0;
    virtual int Value(const std::string& control) const = 0; // check boxes: 0 or 1
    virtual void SetValue(const std::string& control, int value) = 0;
    virtual bool FontBold(const std::string& control) const = 0;
    virtual void SetFontBold(const std::string& control, bool bold) = 0;
    virtual bool FontUnderline(const std::string& control) const = 0;
    virtual void SetFontUnderline(const std::string& control, bool underline) = 0;
    virtual std::uint32_t ForeColor(const std::string& control) const = 0; // 0x00BBGGRR
    virtual void SetForeColor(const std::string& control, std::uint32_t color) = 0;
    // Position and size in twips, relative to the container.
    virtual void MoveControl(const std::string& control, int left, int top, int width,
                             int height) = 0;
    virtual int ControlLeft(const std::string& control) const = 0;
    virtual int ControlTop(const std::string& control) const = 0;
    virtual int ControlWidth(const std::string& control) const = 0;
    virtual int ControlHeight(const std::string& control) const = 0;
    // Drop-down lists.
    virtual void AddItem(const std::string& control, const std::string& item) = 0;
    virtual int ListCount(const std::string& control) const = 0;
    virtual std::string ListItem(const std::string& control, int index) const = 0;
    virtual int ListIndex(const std::string& control) const = 0; // -1: none
    virtual void SetListIndex(const std::string& control, int index) = 0;
    // Timers.
    virtual bool TimerEnabled(const std::string& timer) const = 0;
    virtual void SetTimerEnabled(const std::string& timer, bool enabled) = 0;
    // Images: the icon handle of the picture.
    virtual std::uint32_t Picture(const std::string& image) const = 0;
    // Menus.
    virtual std::string MenuCaption(const std::string& item) const = 0;
    virtual void SetMenuCaption(const std::string& item, const std::string& caption) = 0;
    virtual bool MenuEnabled(const std::string& item) const = 0;
    virtual void SetMenuEnabled(const std::string& item, bool enabled) = 0;
    // Fires MenuClick(parent), pops the children up at the mouse position with
    // `defaultItem` drawn bold, and fires MenuClick for the chosen item.
    virtual void PopupMenu(const std::string& parent, std::uint32_t flags,
                           const std::string& defaultItem) = 0;
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // Creates the window hidden, with its controls; no handler runs yet.
    virtual std::unique_ptr<Form> CreateForm(const FormSpec& spec, FormEvents& events) = 0;
    // Runs the events until no form is left.
    virtual void RunMessageLoop() = 0;
    // Returns the button pressed (1 OK, 6 Yes, 7 No).
    virtual int MsgBox(const std::string& prompt, std::uint32_t style,
                       const std::string& title) = 0;
    virtual void SetMousePointer(int pointer) = 0;
    virtual int MousePointer() const = 0;
    virtual double TwipsPerPixelX() const = 0;
    virtual double TwipsPerPixelY() const = 0;
    virtual double ScreenWidth() const = 0; // twips
    virtual double ScreenHeight() const = 0;
};

// Message box styles.
constexpr std::uint32_t MB_OK = 0x0, MB_YESNO = 0x4, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30,
                        MB_ICONINFORMATION = 0x40, MB_DEFBUTTON2 = 0x100, MB_SYSTEMMODAL = 0x1000,
                        MB_SETFOREGROUND = 0x10000;
constexpr int IDOK = 1, IDYES = 6, IDNO = 7;

} // namespace pocketry::platform
