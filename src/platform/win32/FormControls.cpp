// The controls: their windows, tab order, timers and the properties the program reads and sets.
#include "platform/win32/FormInternal.h"

#include "platform/win32/Dpi.h"
#include "platform/win32/UserInterface.h"

#include <iterator>
#include <stdexcept>

namespace pocketry::platform::win32 {

using namespace form_internal;

namespace {

std::string ComboItem(HWND combo, int index) {
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    return got == CB_ERR ? std::string() : Utf8(text.data(), static_cast<std::size_t>(got));
}

constexpr int kNoClick = -1;
constexpr int kComboDropTwips = 1600; // room for about eight items when dropped

// In the order of ControlKind.
constexpr KindTraits kTraits[] = {
    // CommandButton
    {L"BUTTON", BS_PUSHBUTTON, 0, false, false, true, true, BN_CLICKED, 0, COLOR_BTNTEXT,
     COLOR_BTNFACE},
    // CheckBox
    {L"BUTTON", BS_AUTOCHECKBOX | BS_MULTILINE, 0, false, true, true, false, BN_CLICKED, 0,
     COLOR_BTNTEXT, COLOR_BTNFACE},
    // TabButton
    {L"BUTTON", BS_AUTOCHECKBOX | BS_PUSHLIKE, 0, false, true, true, false, BN_CLICKED, 0,
     COLOR_BTNTEXT, COLOR_BTNFACE},
    // Label: its own mouse clicks are raised on the button's release (see
    // OnControlMessage); STN_CLICKED is a click sent by another program.
    {L"STATIC", SS_NOTIFY, 0, false, false, false, false, STN_CLICKED, 0, COLOR_BTNTEXT,
     COLOR_BTNFACE},
    // TextBox: stays white when it is read-only, as a locked one does.
    {L"EDIT", ES_LEFT, WS_EX_CLIENTEDGE, false, false, true, false, kNoClick, 0, COLOR_WINDOWTEXT,
     COLOR_WINDOW},
    // ComboList
    {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0, false, false, true, false, CBN_SELCHANGE,
     kComboDropTwips, COLOR_BTNTEXT, COLOR_BTNFACE},
    // Frame
    {UserInterface::kFrameClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, true, false, false, false,
     kNoClick, 0, COLOR_BTNTEXT, COLOR_BTNFACE},
    // FrameBorderless
    {UserInterface::kFrameClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, true, false, false, false,
     kNoClick, 0, COLOR_BTNTEXT, COLOR_BTNFACE},
    // Line: painted by its container
    {nullptr, 0, 0, false, false, false, false, kNoClick, 0, COLOR_WINDOWTEXT, COLOR_BTNFACE},
    // Timer
    {nullptr, 0, 0, false, false, false, false, kNoClick, 0, COLOR_BTNTEXT, COLOR_BTNFACE},
    // Image: holds an icon, never drawn
    {nullptr, 0, 0, false, false, false, false, kNoClick, 0, COLOR_BTNTEXT, COLOR_BTNFACE},
};
static_assert(std::size(kTraits) == static_cast<std::size_t>(ControlKind::Image) + 1,
              "one entry per kind of control");

// The styles a control's own table entry adds to those of its kind.
DWORD StylesOf(const ControlSpec& spec) {
    DWORD style = 0;
    if (spec.kind == ControlKind::CommandButton && spec.isDefault)
        style |= BS_DEFPUSHBUTTON;
    if (spec.kind == ControlKind::Label)
        style |= spec.alignment == Alignment::Right    ? SS_RIGHT
                 : spec.alignment == Alignment::Center ? SS_CENTER
                                                       : SS_LEFT;
    if (spec.kind == ControlKind::TextBox) {
        style |= spec.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
        if (spec.vScroll)
            style |= WS_VSCROLL;
        if (spec.readOnly)
            style |= ES_READONLY;
    }
    return style;
}

} // namespace

const KindTraits& form_internal::Traits(ControlKind kind) {
    return kTraits[static_cast<std::size_t>(kind)];
}

void Form::CreateControls() {
    std::vector<bool> made(controls_.size(), false);
    for (std::size_t i = 0; i < controls_.size(); ++i)
        CreateControl(i, made);
}

void Form::CreateControl(std::size_t index, std::vector<bool>& made) {
    if (made[index])
        return;
    made[index] = true;
    Control& c = controls_[index];
    HWND parent = hwnd_;
    if (!c.spec.container.empty()) {
        const std::size_t holder = byName_.at(c.spec.container);
        CreateControl(holder, made);
        parent = controls_[holder].hwnd;
        if (parent == nullptr)
            throw std::invalid_argument("form " + spec_.name + ": frames of " + c.spec.name +
                                        " contain each other");
    }
    c.container = parent;

    if (c.spec.kind == ControlKind::Image) {
        Picture(c.spec.name); // loaded with the form, at the tray's size
        return;
    }
    const KindTraits& kind = Traits(c.spec.kind);
    if (kind.windowClass == nullptr)
        return;

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kind.style | StylesOf(c.spec);
    if (c.visible)
        style |= WS_VISIBLE;
    if (!c.enabled)
        style |= WS_DISABLED;
    if (kind.takesFocus && c.spec.tabIndex >= 0)
        style |= WS_TABSTOP | WS_GROUP;

    const std::string initialText = c.spec.kind == ControlKind::ComboList ? "" : c.spec.caption;
    c.hwnd = ::CreateWindowExW(kind.exStyle, kind.windowClass, Wide(initialText).c_str(), style,
                               Pixels(c.left), Pixels(c.top), SpanPixels(c.left, c.width),
                               SpanPixels(c.top, c.height) + Pixels(kind.dropTwips), parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), ui_.Instance(),
                               kind.container ? this : nullptr);
    if (c.hwnd == nullptr)
        throw std::runtime_error("cannot create " + c.spec.name + " on " + spec_.name + ": " +
                                 ErrorText(::GetLastError()));
    ::SetWindowSubclass(c.hwnd, &Form::ControlProc, index, reinterpret_cast<DWORD_PTR>(this));
    ApplyFont(c);
}

// Tab order follows the window order of each container: the controls with a
// tab index by that index (labels among them, so that a label's mnemonic
// moves to the control after it, as in a dialog), then the other windowed
// controls, labels without a tab index last.
void Form::ArrangeTabOrder() {
    std::vector<HWND> containers{hwnd_};
    for (const Control& c : controls_)
        if (Traits(c.spec.kind).container && c.hwnd != nullptr)
            containers.push_back(c.hwnd);
    for (HWND container : containers) {
        std::vector<const Control*> children;
        for (const Control& c : controls_)
            if (c.hwnd != nullptr && c.container == container)
                children.push_back(&c);
        const auto rank = [](const Control* c) {
            if (c->spec.tabIndex >= 0)
                return 0;
            return c->spec.kind == ControlKind::Label ? 2 : 1;
        };
        std::stable_sort(children.begin(), children.end(), [&](const Control* a, const Control* b) {
            if (rank(a) != rank(b))
                return rank(a) < rank(b);
            return rank(a) == 0 && a->spec.tabIndex < b->spec.tabIndex;
        });
        HWND after = HWND_TOP;
        for (const Control* c : children) {
            ::SetWindowPos(c->hwnd, after, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
            after = c->hwnd;
        }
    }
}

// ============================================================== events

void Form::OnCommand(HWND child, WORD code) {
    const Control* c = ByWindow(child);
    if (c == nullptr)
        return;
    const int clickCode = Traits(c->spec.kind).clickCode;
    if (clickCode != kNoClick && code == clickCode)
        FireClick(*c);
}

void Form::OnTimer(UINT_PTR id) {
    constexpr auto kFirst = static_cast<UINT_PTR>(kFirstControlId);
    if (id < kFirst || id - kFirst >= controls_.size())
        return;
    const auto index = static_cast<std::size_t>(id - kFirst);
    Control& c = controls_[index];
    if (c.spec.kind != ControlKind::Timer || !c.timerRunning)
        return;
    // A handler that lets messages through (a message box) must not be
    // entered again by its own timer: that tick is skipped.
    if (c.inTimer)
        return;
    c.inTimer = true;
    const std::string name = c.spec.name;
    const std::weak_ptr<const char> token = alive_;
    Fire([&name](FormEvents& e) { e.Timer(name); });
    if (!token.expired())
        controls_[index].inTimer = false;
}

void Form::StartTimer(Control& c) {
    if (hwnd_ == nullptr || c.spec.interval <= 0) {
        c.timerRunning = false;
        return;
    }
    if (c.timerRunning)
        return;
    c.timerRunning = ::SetTimer(hwnd_, static_cast<UINT_PTR>(c.id),
                                static_cast<UINT>(c.spec.interval), nullptr) != 0;
}

void Form::StopTimer(Control& c) {
    if (hwnd_ != nullptr && c.timerRunning)
        ::KillTimer(hwnd_, static_cast<UINT_PTR>(c.id));
    c.timerRunning = false;
}

// ============================================================== controls

Form::Control& Form::At(const std::string& name) {
    const auto found = byName_.find(name);
    if (found == byName_.end())
        throw std::invalid_argument("form " + spec_.name + " has no control " + name);
    return controls_[found->second];
}

const Form::Control& Form::At(const std::string& name) const {
    const auto found = byName_.find(name);
    if (found == byName_.end())
        throw std::invalid_argument("form " + spec_.name + " has no control " + name);
    return controls_[found->second];
}

Form::Control* Form::ByWindow(HWND hwnd) {
    if (hwnd == nullptr)
        return nullptr;
    for (Control& c : controls_)
        if (c.hwnd == hwnd)
            return &c;
    return nullptr;
}

std::string Form::Text(const std::string& control) const {
    const Control& c = At(control);
    if (c.hwnd == nullptr)
        return c.text;
    if (c.spec.kind == ControlKind::ComboList) {
        const LRESULT index = ::SendMessageW(c.hwnd, CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? std::string() : ComboItem(c.hwnd, static_cast<int>(index));
    }
    return WindowText(c.hwnd);
}

void Form::SetText(const std::string& control, const std::string& text) {
    Control& c = At(control);
    if (c.spec.kind == ControlKind::ComboList) {
        // A drop-down list shows only its items: the text selects one.
        if (c.hwnd == nullptr)
            return;
        const std::wstring wide = Wide(text);
        const LRESULT index = ::SendMessageW(c.hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(wide.c_str()));
        if (index != CB_ERR)
            SetListIndex(control, static_cast<int>(index));
        return;
    }
    c.text = text;
    if (c.hwnd != nullptr)
        ::SetWindowTextW(c.hwnd, Wide(text).c_str());
}

bool Form::Enabled(const std::string& control) const {
    const Control& c = At(control);
    if (c.spec.kind == ControlKind::Timer)
        return c.enabled;
    return c.hwnd != nullptr ? ::IsWindowEnabled(c.hwnd) != 0 : c.enabled;
}

void Form::SetEnabled(const std::string& control, bool enabled) {
    Control& c = At(control);
    if (c.spec.kind == ControlKind::Timer) {
        SetTimerEnabled(control, enabled);
        return;
    }
    c.enabled = enabled;
    if (c.hwnd != nullptr)
        ::EnableWindow(c.hwnd, enabled ? TRUE : FALSE);
}

bool Form::ControlVisible(const std::string& control) const {
    const Control& c = At(control);
    if (c.hwnd == nullptr)
        return c.visible;
    return (::GetWindowLongW(c.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Form::SetControlVisible(const std::string& control, bool visible) {
    Control& c = At(control);
    c.visible = visible;
    if (c.hwnd != nullptr) {
        const HWND focus = ::GetFocus();
        ::ShowWindow(c.hwnd, visible ? SW_SHOWNA : SW_HIDE);
        // Windows leaves the focus on a hidden window, where keys go unseen.
        // Moved once the handler that hid it is done, when its page switch
        // has shown the new page and checked the new tab.
        if (!visible && focus != nullptr && (focus == c.hwnd || ::IsChild(c.hwnd, focus) != 0))
            ::PostMessageW(hwnd_, kKeepFocusVisible, 0, 0);
    } else if (c.spec.kind == ControlKind::Line && c.container != nullptr)
        ::InvalidateRect(c.container, nullptr, TRUE);
}

int Form::Value(const std::string& control) const {
    const Control& c = At(control);
    if (!Traits(c.spec.kind).check)
        return 0;
    if (c.hwnd == nullptr)
        return c.value;
    return ::SendMessageW(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Form::SetValue(const std::string& control, int value) {
    Control& c = At(control);
    if (c.hwnd == nullptr) {
        if (Traits(c.spec.kind).check)
            c.value = value != 0 ? 1 : 0;
        return;
    }
    if (c.spec.kind == ControlKind::CommandButton) {
        // Pressing a command button from code clicks it.
        if (value != 0)
            ClickButton(c);
        return;
    }
    if (!Traits(c.spec.kind).check)
        return;
    const WPARAM state = value != 0 ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(::SendMessageW(c.hwnd, BM_GETCHECK, 0, 0)) == state)
        return;
    ::SendMessageW(c.hwnd, BM_SETCHECK, state, 0);
    // A check box changed from code raises its click, as a user's change does.
    FireClick(c);
}

bool Form::FontBold(const std::string& control) const {
    return At(control).bold;
}

void Form::SetFontBold(const std::string& control, bool bold) {
    Control& c = At(control);
    if (c.bold == bold)
        return;
    c.bold = bold;
    ApplyFont(c);
}

bool Form::FontUnderline(const std::string& control) const {
    return At(control).underline;
}

void Form::SetFontUnderline(const std::string& control, bool underline) {
    Control& c = At(control);
    if (c.underline == underline)
        return;
    c.underline = underline;
    ApplyFont(c);
}

std::uint32_t Form::ForeColor(const std::string& control) const {
    const Control& c = At(control);
    return c.foreColor.value_or(DefaultForeColor(c));
}

void Form::SetForeColor(const std::string& control, std::uint32_t color) {
    Control& c = At(control);
    c.foreColor = static_cast<COLORREF>(color & 0x00FFFFFFu);
    if (c.hwnd != nullptr)
        ::InvalidateRect(c.hwnd, nullptr, TRUE);
    else if (c.spec.kind == ControlKind::Line && c.container != nullptr)
        ::InvalidateRect(c.container, nullptr, TRUE);
}

void Form::MoveControl(const std::string& control, int left, int top, int width, int height) {
    Control& c = At(control);
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    if (c.hwnd != nullptr) {
        PlaceControl(c);
    } else if (c.spec.kind == ControlKind::Line && c.container != nullptr) {
        ::InvalidateRect(c.container, nullptr, TRUE);
    }
}

void Form::PlaceControl(const Control& c) {
    ::SetWindowPos(c.hwnd, nullptr, Pixels(c.left), Pixels(c.top), SpanPixels(c.left, c.width),
                   SpanPixels(c.top, c.height) + Pixels(Traits(c.spec.kind).dropTwips),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

int Form::ControlLeft(const std::string& control) const {
    return At(control).left;
}
int Form::ControlTop(const std::string& control) const {
    return At(control).top;
}
int Form::ControlWidth(const std::string& control) const {
    return At(control).width;
}
int Form::ControlHeight(const std::string& control) const {
    return At(control).height;
}

void Form::AddItem(const std::string& control, const std::string& item) {
    const Control& c = At(control);
    if (c.spec.kind == ControlKind::ComboList && c.hwnd != nullptr)
        ::SendMessageW(c.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
}

int Form::ListCount(const std::string& control) const {
    const Control& c = At(control);
    if (c.spec.kind != ControlKind::ComboList || c.hwnd == nullptr)
        return 0;
    const LRESULT count = ::SendMessageW(c.hwnd, CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : static_cast<int>(count);
}

std::string Form::ListItem(const std::string& control, int index) const {
    const Control& c = At(control);
    if (c.spec.kind != ControlKind::ComboList || c.hwnd == nullptr || index < 0)
        return {};
    return ComboItem(c.hwnd, index);
}

int Form::ListIndex(const std::string& control) const {
    const Control& c = At(control);
    if (c.spec.kind != ControlKind::ComboList || c.hwnd == nullptr)
        return -1;
    const LRESULT index = ::SendMessageW(c.hwnd, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Form::SetListIndex(const std::string& control, int index) {
    const Control& c = At(control);
    if (c.spec.kind != ControlKind::ComboList || c.hwnd == nullptr)
        return;
    if (index < -1 || index >= ListCount(control) || index == ListIndex(control))
        return;
    // -1 clears the selection: the list shows no entry.
    ::SendMessageW(c.hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // A new selection from code raises the list's click, as the user's does.
    FireClick(c);
}

void Form::FireClick(const Control& c) {
    // A copy: the handler may unload the form and take the control with it.
    const std::string name = c.spec.name;
    Fire([&name](FormEvents& e) { e.Click(name); });
}

bool Form::TimerEnabled(const std::string& timer) const {
    return At(timer).enabled;
}

void Form::SetTimerEnabled(const std::string& timer, bool enabled) {
    Control& c = At(timer);
    if (c.spec.kind != ControlKind::Timer)
        return;
    c.enabled = enabled;
    if (enabled)
        StartTimer(c);
    else
        StopTimer(c);
}

std::uint32_t Form::Picture(const std::string& image) const {
    // Pictures are for the tray: at its small icon size, loaded again when
    // that changed (a new scale, the taskbar on another monitor).
    const Control& c = At(image);
    if (c.spec.iconResource == 0)
        return ToHandle32(c.icon.get());
    const int size = dpi::TrayIconSize(static_cast<UINT>(ui_.DpiY()));
    if (c.icon == nullptr || size != c.iconSize) {
        if (HICON icon = dpi::IconAt(ui_.Instance(), c.spec.iconResource, size)) {
            c.icon.reset(icon);
            c.iconSize = size;
        }
    }
    return ToHandle32(c.icon.get());
}

} // namespace pocketry::platform::win32
