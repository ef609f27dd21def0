// Keys, focus and the dialog keys, the mouse and its cursor.
#include "platform/win32/FormInternal.h"

#include "platform/win32/UserInterface.h"

namespace pocketry::platform::win32 {

using namespace form_internal;

int Form::ShiftState() const {
    int shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0)
        shift |= kShiftMask;
    if (::GetKeyState(VK_CONTROL) < 0)
        shift |= kCtrlMask;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= kAltMask;
    return shift;
}

void Form::OnMouse(const std::string& control, UINT msg, WPARAM wParam, LPARAM lParam) {
    const std::string name = control;
    const int x = ::MulDiv(SignedLow(lParam), 1440, dpi_);
    const int y = ::MulDiv(SignedHigh(lParam), 1440, dpi_);
    int shift = 0;
    if ((wParam & MK_SHIFT) != 0)
        shift |= kShiftMask;
    if ((wParam & MK_CONTROL) != 0)
        shift |= kCtrlMask;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= kAltMask;
    if (msg == WM_MOUSEMOVE) {
        int buttons = 0;
        if ((wParam & MK_LBUTTON) != 0)
            buttons |= kLeftButton;
        if ((wParam & MK_RBUTTON) != 0)
            buttons |= kRightButton;
        if ((wParam & MK_MBUTTON) != 0)
            buttons |= kMiddleButton;
        Fire([&](FormEvents& e) { e.MouseMove(name, buttons, shift, x, y); });
        return;
    }
    const int button = msg == WM_LBUTTONUP   ? kLeftButton
                       : msg == WM_RBUTTONUP ? kRightButton
                                             : kMiddleButton;
    Fire([&](FormEvents& e) { e.MouseUp(name, button, shift, x, y); });
}

bool Form::SetCursorFor(const Control* c, LPARAM lParam) {
    if (const HCURSOR screen = ui_.ScreenCursor()) {
        ::SetCursor(screen);
        return true;
    }
    if (c != nullptr && LOWORD(lParam) == HTCLIENT) {
        if (const HCURSOR own = UserInterface::CursorOf(c->spec.mousePointer)) {
            ::SetCursor(own);
            return true;
        }
    }
    return false;
}

bool Form::PreviewKey(WPARAM& key) {
    int keyCode = static_cast<int>(key);
    const int shift = ShiftState();
    const std::weak_ptr<const char> token = alive_;
    Fire([&keyCode, shift](FormEvents& e) { e.Form_KeyDown(keyCode, shift); });
    if (token.expired() || hwnd_ == nullptr || keyCode == 0)
        return false;
    key = static_cast<WPARAM>(keyCode);
    return true;
}

bool Form::HandleDialogKey(const MSG& msg) {
    if (hwnd_ == nullptr || ::GetKeyState(VK_MENU) < 0)
        return false;
    const HWND focus = ::GetFocus();
    const Control* focused =
        focus != nullptr && ::IsChild(hwnd_, focus) != 0 ? ByWindow(focus) : nullptr;
    // An open drop-down list takes its own keys.
    if (focused != nullptr && focused->spec.kind == ControlKind::ComboList &&
        ::SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0) != 0)
        return false;
    switch (msg.wParam) {
    case VK_TAB: {
        // Done here rather than by the dialog manager: a multi-line text box
        // would keep Tab to itself.
        if (::GetKeyState(VK_CONTROL) < 0)
            return false;
        const bool back = ::GetKeyState(VK_SHIFT) < 0;
        const HWND next =
            ::GetNextDlgTabItem(hwnd_, focused != nullptr ? focus : nullptr, back ? TRUE : FALSE);
        if (next != nullptr) {
            ::SetFocus(next);
            if (const Control* c = ByWindow(next);
                c != nullptr && c->spec.kind == ControlKind::TextBox)
                ::SendMessageW(next, EM_SETSEL, 0, -1);
        }
        return true;
    }
    case VK_RETURN: {
        // The default button as UpdateDefaultButton shows it: the focused
        // push button, else the form's own; wherever they sit (the dialog
        // manager finds only the form's direct children).
        const Control* target = focused != nullptr && Traits(focused->spec.kind).pushButton
                                    ? focused
                                    : FormDefaultButton();
        if (target == nullptr || !Usable(target->hwnd))
            return false;
        ClickButton(*target);
        return true;
    }
    case VK_ESCAPE:
        for (const Control& c : controls_)
            if (c.spec.isCancel && Traits(c.spec.kind).pushButton && Usable(c.hwnd)) {
                ClickButton(c);
                return true;
            }
        return false;
    default:
        return false;
    }
}

void Form::ClickButton(const Control& c) {
    // Through the button's parent, as the button itself reports a click.
    ::SendMessageW(::GetParent(c.hwnd), WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(c.hwnd));
}

const Form::Control* Form::FormDefaultButton() const {
    const Control* found = nullptr;
    for (const Control& c : controls_)
        if (c.spec.isDefault && Traits(c.spec.kind).pushButton)
            found = &c;
    return found;
}

// As in a dialog: the push button with the focus is the default (Enter
// presses it and it has the default border); focus on any other control gives
// both back to the form's own default button.
void Form::UpdateDefaultButton(HWND focus) {
    const Control* focused = ByWindow(focus);
    const Control* target =
        focused != nullptr && Traits(focused->spec.kind).pushButton ? focused : FormDefaultButton();
    for (const Control& c : controls_) {
        if (c.hwnd == nullptr || !Traits(c.spec.kind).pushButton)
            continue;
        const DWORD style = static_cast<DWORD>(::GetWindowLongW(c.hwnd, GWL_STYLE));
        const DWORD type = &c == target ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((style & BS_TYPEMASK) == type)
            continue;
        // The button's own styles (the low word) with the new type.
        ::SendMessageW(c.hwnd, BM_SETSTYLE, (style & 0xFFFFu & ~DWORD{BS_TYPEMASK}) | type, TRUE);
    }
}

HWND Form::FirstTabStop() const {
    const Control* first = nullptr;
    for (const Control& c : controls_)
        if (c.hwnd != nullptr && Traits(c.spec.kind).takesFocus && c.spec.tabIndex >= 0 &&
            Usable(c.hwnd) && (first == nullptr || c.spec.tabIndex < first->spec.tabIndex))
            first = &c;
    return first != nullptr ? first->hwnd : nullptr;
}

void Form::RestoreFocus() {
    if (lastFocus_ != nullptr && ::IsWindow(lastFocus_) != 0 && ::IsChild(hwnd_, lastFocus_) != 0 &&
        Usable(lastFocus_)) {
        ::SetFocus(lastFocus_);
        return;
    }
    if (const HWND first = FirstTabStop())
        ::SetFocus(first);
}

// As a property sheet does when its page changes under the focus: to the
// tab of the page now shown, else on to the next visible tab stop.
void Form::KeepFocusVisible() {
    const HWND focus = ::GetFocus();
    if (hwnd_ == nullptr || focus == nullptr || ::IsChild(hwnd_, focus) == 0 ||
        ::IsWindowVisible(focus) != 0)
        return;
    for (const Control& c : controls_)
        if (c.spec.kind == ControlKind::TabButton && c.hwnd != nullptr && Usable(c.hwnd) &&
            ::SendMessageW(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            ::SetFocus(c.hwnd);
            return;
        }
    HWND next = ::GetNextDlgTabItem(hwnd_, focus, FALSE);
    if (next == nullptr || ::IsWindowVisible(next) == 0)
        next = FirstTabStop();
    if (next != nullptr)
        ::SetFocus(next);
}

} // namespace pocketry::platform::win32
