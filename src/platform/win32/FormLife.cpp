// The form's life: construction, the window procedures and the unload.
#include "platform/win32/FormInternal.h"

#include "platform/win32/Dpi.h"
#include "platform/win32/UserInterface.h"

#include <stdexcept>
#include <utility>

namespace pocketry::platform::win32 {

using namespace form_internal;

// ===================================================================== life

Form::Form(UserInterface& ui, const FormSpec& spec, FormEvents& events)
    : ui_(ui), spec_(spec), events_(&events), alive_(std::make_shared<const char>('\0')) {
    controls_.reserve(spec_.controls.size());
    for (std::size_t i = 0; i < spec_.controls.size(); ++i) {
        const ControlSpec& cs = spec_.controls[i];
        if (cs.name.empty() || !byName_.emplace(cs.name, i).second)
            throw std::invalid_argument("form " + spec_.name + ": control name \"" + cs.name +
                                        "\" is empty or used twice");
        Control c;
        c.spec = cs;
        c.id = kFirstControlId + static_cast<int>(i);
        c.left = cs.left;
        c.top = cs.top;
        c.width = cs.width;
        c.height = cs.height;
        c.visible = cs.visible;
        c.enabled = cs.enabled;
        c.bold = cs.bold;
        c.text = cs.caption;
        controls_.push_back(std::move(c));
    }
    for (const Control& c : controls_) {
        if (c.spec.container.empty())
            continue;
        const auto found = byName_.find(c.spec.container);
        if (found == byName_.end() || !Traits(controls_[found->second].spec.kind).container)
            throw std::invalid_argument("form " + spec_.name + ": " + c.spec.name + " sits on \"" +
                                        c.spec.container + "\", which is no frame");
    }
    for (const MenuSpec& m : spec_.menus) {
        for (const MenuItem& other : menus_)
            if (other.spec.name == m.name)
                throw std::invalid_argument("form " + spec_.name + ": menu name \"" + m.name +
                                            "\" used twice");
        menus_.push_back(MenuItem{m, m.caption, true});
    }

    // A fixed border: a caption with its system menu, no sizing frame.
    style_ = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (spec_.minButton)
        style_ |= WS_MINIMIZEBOX;
    if (spec_.maxButton)
        style_ |= WS_MAXIMIZEBOX;
    exStyle_ = spec_.border == BorderStyle::FixedDialog ? WS_EX_DLGMODALFRAME : 0;
    // Made at the system DPI, the monitor where most windows open; the
    // window's own monitor may differ, which is seen once it exists.
    dpi_ = ui_.DpiY();
    SIZE outer = OuterSize(dpi_);
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    if (spec_.centerOnScreen) {
        x = std::max(0, (::GetSystemMetrics(SM_CXSCREEN) - static_cast<int>(outer.cx)) / 2);
        y = std::max(0, (::GetSystemMetrics(SM_CYSCREEN) - static_cast<int>(outer.cy)) / 2);
    }

    creating_ = true;
    if (::CreateWindowExW(exStyle_, UserInterface::kFormClass, Wide(spec_.caption).c_str(), style_,
                          x, y, outer.cx, outer.cy, nullptr, nullptr, ui_.Instance(),
                          this) == nullptr ||
        hwnd_ == nullptr)
        throw std::runtime_error("cannot create the window of " + spec_.name + ": " +
                                 ErrorText(::GetLastError()));
    // An elevated program hears "TaskbarCreated" from the shell, which runs
    // with less rights, only if it lets the message through. Without it the
    // program only misses a taskbar restart, which the tray watchdog covers.
    if (const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated"))
        ::ChangeWindowMessageFilterEx(hwnd_, taskbarCreated, MSGFLT_ALLOW, nullptr);
    try {
        if (const int own = static_cast<int>(dpi::ForWindow(hwnd_, static_cast<UINT>(dpi_)));
            own != dpi_) {
            dpi_ = own;
            outer = OuterSize(dpi_);
            ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        SetWindowIcons();
        CreateControls();
        ArrangeTabOrder();
        for (Control& c : controls_)
            if (c.spec.kind == ControlKind::Timer && c.enabled)
                StartTimer(c);
    } catch (...) {
        destroying_ = true;
        ::DestroyWindow(hwnd_);
        throw;
    }
    creating_ = false;
    ui_.Register(this);
}

Form::~Form() {
    // Anything further up the stack learns from the token that this object is gone.
    alive_.reset();
    events_ = nullptr;
    if (hwnd_ != nullptr) {
        destroying_ = true;
        ReenableAfterModal();
        ::DestroyWindow(hwnd_);
    }
    ui_.Unregister(this);
}

// ======================================================= window procedures

LRESULT CALLBACK Form::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* form = static_cast<Form*>(create->lpCreateParams);
        form->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return self->OnMessage(hwnd, msg, wParam, lParam);
    } catch (...) {
        ReportCaught("a form's window procedure");
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT Form::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (lParam != 0)
            OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        if (const LRESULT brush =
                OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return brush;
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        const HDC dc = ::BeginPaint(hwnd, &paint);
        PaintContainer(hwnd, dc);
        ::EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_WINDOWPOSCHANGED:
        // However it was shown (by the program, the taskbar, another program).
        if ((reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) != 0)
            ui_.NoteShown(this);
        break;
    case WM_SIZE:
        Fire([](FormEvents& e) { e.Form_Resize(); });
        return 0;
    case dpi::kGetDpiScaledSize: {
        // The size the table gives at the new DPI, not the old size scaled:
        // Windows then suggests exactly that in WM_DPICHANGED.
        *reinterpret_cast<SIZE*>(lParam) = OuterSize(LOWORD(wParam));
        return TRUE;
    }
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        RunUnload(kUnloadFormControlMenu);
        return 0;
    case WM_QUERYENDSESSION:
        return QueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
        EndSession(wParam != FALSE);
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        OnMouse("", msg, wParam, lParam);
        return 0;
    case WM_SETCURSOR:
        if (SetCursorFor(nullptr, lParam))
            return TRUE;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(hwnd, focus) != 0)
                lastFocus_ = focus;
        } else if (HIWORD(wParam) == 0) {
            RestoreFocus();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case kKeepFocusVisible:
        KeepFocusVisible();
        return 0;
    case WM_DESTROY:
        // The controls still exist: keep what they hold for reads after the unload.
        for (Control& c : controls_) {
            if (c.hwnd == nullptr)
                continue;
            if (c.spec.kind != ControlKind::ComboList)
                c.text = WindowText(c.hwnd);
            else
                c.text = Text(c.spec.name);
            if (Traits(c.spec.kind).check)
                c.value = ::SendMessageW(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
            c.enabled = ::IsWindowEnabled(c.hwnd) != 0;
            c.visible = (::GetWindowLongW(c.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
        }
        break;
    case WM_NCDESTROY:
        OnDestroyed();
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Form::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->hwnd_ == nullptr)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        switch (msg) {
        // A frame is only a container: what its controls tell their parent
        // belongs to the form.
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_COMPAREITEM:
        case WM_DELETEITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return ::SendMessageW(self->hwnd_, msg, wParam, lParam);
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = ::BeginPaint(hwnd, &paint);
            const Control* frame = self->ByWindow(hwnd);
            if (frame != nullptr && frame->spec.kind == ControlKind::Frame) {
                RECT client{};
                ::GetClientRect(hwnd, &client);
                ::DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
            }
            self->PaintContainer(hwnd, dc);
            ::EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    } catch (...) {
        ReportCaught("a frame's window procedure");
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Form::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR index, DWORD_PTR self) {
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &Form::ControlProc, index);
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    auto* form = reinterpret_cast<Form*>(self);
    const std::weak_ptr<const char> token = form->Token();
    bool handled = false;
    LRESULT result = 0;
    try {
        result = form->OnControlMessage(index, hwnd, msg, wParam, lParam, handled);
    } catch (...) {
        ReportCaught("a control's window procedure");
    }
    if (handled)
        return result;
    // A handler may have unloaded the form and with it this control.
    if (token.expired() || ::IsWindow(hwnd) == 0)
        return 0;
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT Form::OnControlMessage(std::size_t index, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                               bool& handled) {
    if (index >= controls_.size())
        return 0;
    Control& c = controls_[index];
    const bool isLabel = c.spec.kind == ControlKind::Label;
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouse(c.spec.name, msg, wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
        // A label is clicked when the button goes up over it, as a button is;
        // the static control itself would report the click on the way down.
        if (isLabel) {
            ::SetCapture(hwnd);
            handled = true;
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (isLabel)
            handled = true;
        break;
    case WM_LBUTTONUP: {
        const bool pressed = isLabel && ::GetCapture() == hwnd;
        if (pressed)
            ::ReleaseCapture();
        const std::string name = c.spec.name;
        const std::weak_ptr<const char> token = alive_;
        OnMouse(name, msg, wParam, lParam);
        if (pressed && !token.expired() && hwnd_ != nullptr) {
            RECT client{};
            ::GetClientRect(hwnd, &client);
            const POINT at{SignedLow(lParam), SignedHigh(lParam)};
            if (::PtInRect(&client, at) != 0)
                Fire([&name](FormEvents& e) { e.Click(name); });
        }
        if (isLabel)
            handled = true;
        break;
    }
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        OnMouse(c.spec.name, msg, wParam, lParam);
        break;
    case WM_SETCURSOR:
        if (SetCursorFor(&c, lParam)) {
            handled = true;
            return TRUE;
        }
        break;
    case WM_SETFOCUS:
        lastFocus_ = hwnd;
        UpdateDefaultButton(hwnd);
        break;
    default:
        break;
    }
    return 0;
}

// ============================================================== unload

template <typename Call> bool Form::UnloadStep(Call&& call) {
    const std::weak_ptr<const char> token = alive_;
    unloading_ = true;
    const bool loaded = Fire(std::forward<Call>(call));
    if (token.expired())
        return false;
    unloading_ = false;
    return loaded;
}

bool Form::RunUnload(int unloadMode) {
    if (hwnd_ == nullptr)
        return true;
    if (unloading_ || destroying_)
        return false;
    int cancel = 0;
    if (!UnloadStep([&](FormEvents& e) { e.Form_QueryUnload(cancel, unloadMode); }))
        return true;
    if (cancel != 0)
        return false;
    if (!UnloadStep([&](FormEvents& e) { e.Form_Unload(cancel); }))
        return true;
    if (cancel != 0)
        return false;
    Destroy();
    return true;
}

// Windows asks every program before it ends the session and tells each the
// outcome afterwards; another program may still call the end off, so only
// the question is asked now and the form goes on WM_ENDSESSION.
bool Form::QueryEndSession() {
    if (hwnd_ == nullptr)
        return true;
    // Already on its way out, waiting on the user (a question of the unload).
    if (unloading_ || destroying_)
        return false;
    int cancel = 0;
    if (!UnloadStep([&](FormEvents& e) { e.Form_QueryUnload(cancel, kUnloadAppWindows); }))
        return true;
    sessionQuery_ = cancel != 0 ? SessionQuery::Refused : SessionQuery::Allowed;
    return cancel == 0;
}

void Form::EndSession(bool ending) {
    const SessionQuery query = std::exchange(sessionQuery_, SessionQuery::None);
    if (hwnd_ == nullptr || unloading_ || destroying_)
        return;
    if (!ending) {
        if (query == SessionQuery::Allowed)
            Fire([](FormEvents& e) { e.Form_EndSessionCancelled(); });
        return;
    }
    // The session ends whatever the handlers answer: nothing can be cancelled
    // any more. Without a question first (a forced end), it is asked now, so
    // that the program's way out runs all its steps.
    int cancel = 0;
    if (query == SessionQuery::None &&
        !UnloadStep([&](FormEvents& e) { e.Form_QueryUnload(cancel, kUnloadAppWindows); }))
        return;
    if (!UnloadStep([&](FormEvents& e) { e.Form_Unload(cancel); }))
        return;
    Destroy();
}

void Form::Destroy() {
    if (hwnd_ == nullptr)
        return;
    destroying_ = true;
    ReenableAfterModal();
    ::DestroyWindow(hwnd_);
}

void Form::OnDestroyed() {
    for (Control& c : controls_) {
        c.hwnd = nullptr;
        c.container = nullptr;
        c.timerRunning = false;
    }
    hwnd_ = nullptr;
    lastFocus_ = nullptr;
    destroying_ = true;
    ui_.Unregister(this);
}

void Form::ReenableAfterModal() {
    // Before this window goes or hides, so that activation passes back to the
    // program's own window rather than to another program.
    for (HWND h : disabledByModal_)
        if (::IsWindow(h) != 0)
            ::EnableWindow(h, TRUE);
    disabledByModal_.clear();
}

void Form::Unload(int unloadMode) {
    RunUnload(unloadMode);
}

} // namespace pocketry::platform::win32
