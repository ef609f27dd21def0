#include "platform/win32/Form.h"

#include "platform/win32/UserInterface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace pocketry::platform::win32 {

namespace {

constexpr int kFirstControlId = 100; // clear of IDOK and IDCANCEL
constexpr const char* kDialogFontName = "MS Sans Serif";
constexpr double kDialogFontSize = 8.0;
constexpr int kComboDropTwips = 1600; // room for about eight items when dropped
constexpr int kMaxMenuDepth = 8;

bool HasWindow(ControlKind kind) {
    return kind != ControlKind::Line && kind != ControlKind::Timer && kind != ControlKind::Image;
}

bool IsContainer(ControlKind kind) {
    return kind == ControlKind::Frame || kind == ControlKind::FrameBorderless;
}

bool IsCheck(ControlKind kind) {
    return kind == ControlKind::CheckBox || kind == ControlKind::TabButton;
}

bool TakesFocus(ControlKind kind) {
    switch (kind) {
    case ControlKind::CommandButton:
    case ControlKind::CheckBox:
    case ControlKind::TabButton:
    case ControlKind::TextBox:
    case ControlKind::ComboList:
        return true;
    default:
        return false;
    }
}

std::string WindowText(HWND hwnd) {
    const int length = ::GetWindowTextLengthA(hwnd);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

std::string ComboItem(HWND combo, int index) {
    const LRESULT length = ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got = ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

int SignedLow(LPARAM value) {
    return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(value)));
}
int SignedHigh(LPARAM value) {
    return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(value)));
}

bool Usable(HWND hwnd) {
    return hwnd != nullptr && ::IsWindowVisible(hwnd) != 0 && ::IsWindowEnabled(hwnd) != 0;
}

// The normal (restored) rectangle of a top-level window in screen coordinates.
RECT NormalRect(HWND hwnd) {
    RECT rect{};
    if (::IsIconic(hwnd) == 0 && ::IsZoomed(hwnd) == 0) {
        ::GetWindowRect(hwnd, &rect);
        return rect;
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ::GetWindowPlacement(hwnd, &placement);
    rect = placement.rcNormalPosition;
    // The placement is in work-area coordinates.
    RECT work{};
    if (::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) != 0)
        ::OffsetRect(&rect, work.left, work.top);
    return rect;
}

} // namespace

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
        if (found == byName_.end() || !IsContainer(controls_[found->second].spec.kind))
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
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (spec_.minButton)
        style |= WS_MINIMIZEBOX;
    if (spec_.maxButton)
        style |= WS_MAXIMIZEBOX;
    const DWORD exStyle = spec_.border == BorderStyle::FixedDialog ? WS_EX_DLGMODALFRAME : 0;
    RECT outer{0, 0, ui_.ToPixelsX(spec_.clientWidth), ui_.ToPixelsY(spec_.clientHeight)};
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    if (spec_.centerOnScreen) {
        x = std::max(0, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2);
        y = std::max(0, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    }

    creating_ = true;
    if (::CreateWindowExA(exStyle, UserInterface::kFormClass, spec_.caption.c_str(), style, x, y,
                          width, height, nullptr, nullptr, ui_.Instance(), this) == nullptr ||
        hwnd_ == nullptr)
        throw std::runtime_error("cannot create the window of " + spec_.name + ": " +
                                 ErrorText(::GetLastError()));
    try {
        if (spec_.iconResource != 0) {
            const auto load = [this](int cx, int cy) {
                return static_cast<HICON>(::LoadImageA(ui_.Instance(),
                                                       MAKEINTRESOURCEA(spec_.iconResource),
                                                       IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
            };
            smallIcon_.reset(
                load(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)));
            bigIcon_.reset(load(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)));
            ::SendMessageA(hwnd_, WM_SETICON, ICON_SMALL,
                           reinterpret_cast<LPARAM>(smallIcon_.get()));
            ::SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
        }
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

template <typename Call> bool Form::Fire(Call&& call) {
    if (events_ == nullptr || creating_ || destroying_)
        return hwnd_ != nullptr;
    const std::weak_ptr<const char> token = alive_;
    FormEvents& events = *events_;
    try {
        call(events);
    } catch (...) {
        ReportCaught("an event handler");
    }
    if (token.expired())
        return false;
    return hwnd_ != nullptr;
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
        if (c.spec.iconResource != 0)
            c.icon.reset(static_cast<HICON>(
                ::LoadImageA(ui_.Instance(), MAKEINTRESOURCEA(c.spec.iconResource), IMAGE_ICON,
                             ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                             LR_DEFAULTCOLOR)));
        return;
    }
    if (!HasWindow(c.spec.kind))
        return;

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (c.visible)
        style |= WS_VISIBLE;
    if (!c.enabled)
        style |= WS_DISABLED;
    if (TakesFocus(c.spec.kind) && c.spec.tabIndex >= 0)
        style |= WS_TABSTOP | WS_GROUP;
    DWORD exStyle = 0;
    const char* windowClass = "BUTTON";
    int extraHeight = 0;
    void* createParam = nullptr;
    switch (c.spec.kind) {
    case ControlKind::CommandButton:
        style |= c.spec.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case ControlKind::CheckBox:
        style |= BS_AUTOCHECKBOX | BS_MULTILINE;
        break;
    case ControlKind::TabButton:
        style |= BS_AUTOCHECKBOX | BS_PUSHLIKE;
        break;
    case ControlKind::Label:
        windowClass = "STATIC";
        style |= SS_NOTIFY;
        style |= c.spec.alignment == Alignment::Right    ? SS_RIGHT
                 : c.spec.alignment == Alignment::Center ? SS_CENTER
                                                         : SS_LEFT;
        break;
    case ControlKind::TextBox:
        windowClass = "EDIT";
        exStyle |= WS_EX_CLIENTEDGE;
        style |= ES_LEFT;
        style |= c.spec.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
        if (c.spec.vScroll)
            style |= WS_VSCROLL;
        if (c.spec.readOnly)
            style |= ES_READONLY;
        break;
    case ControlKind::ComboList:
        windowClass = "COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL;
        // A combo box's window height includes its dropped-down list.
        extraHeight = ui_.ToPixelsY(kComboDropTwips);
        break;
    case ControlKind::Frame:
    case ControlKind::FrameBorderless:
        windowClass = UserInterface::kFrameClass;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        createParam = this;
        break;
    default:
        return;
    }

    const std::string initialText = c.spec.kind == ControlKind::ComboList ? "" : c.spec.caption;
    c.hwnd = ::CreateWindowExA(
        exStyle, windowClass, initialText.c_str(), style, ui_.ToPixelsX(c.left),
        ui_.ToPixelsY(c.top), ui_.ToPixelsX(c.width), ui_.ToPixelsY(c.height) + extraHeight, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), ui_.Instance(), createParam);
    if (c.hwnd == nullptr)
        throw std::runtime_error("cannot create " + c.spec.name + " on " + spec_.name + ": " +
                                 ErrorText(::GetLastError()));
    ::SetWindowSubclass(c.hwnd, &Form::ControlProc, index, reinterpret_cast<DWORD_PTR>(this));
    ApplyFont(c);
}

// Tab order follows the window order of each container: focusable controls by
// their tab index first, then the other windowed controls, labels last (a
// label lies under the controls around it, as on classic forms).
void Form::ArrangeTabOrder() {
    std::vector<HWND> containers{hwnd_};
    for (const Control& c : controls_)
        if (IsContainer(c.spec.kind) && c.hwnd != nullptr)
            containers.push_back(c.hwnd);
    for (HWND container : containers) {
        std::vector<const Control*> children;
        for (const Control& c : controls_)
            if (c.hwnd != nullptr && c.container == container)
                children.push_back(&c);
        const auto rank = [](const Control* c) {
            if (c->spec.kind == ControlKind::Label)
                return 2;
            return c->spec.tabIndex >= 0 ? 0 : 1;
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

HFONT Form::FontFor(const Control& c) {
    const std::string face = c.spec.fontName.empty() ? kDialogFontName : c.spec.fontName;
    const double points = c.spec.fontSize > 0 ? c.spec.fontSize : kDialogFontSize;
    const int hundredths = static_cast<int>(std::lround(points * 100.0));
    const FontKey key{face, hundredths, c.bold, c.underline};
    if (const auto found = fonts_.find(key); found != fonts_.end())
        return found->second.get();
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(hundredths, ui_.DpiY(), 7200);
    lf.lfWeight = c.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = c.underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    std::strncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    OwnedFont font(::CreateFontIndirectA(&lf));
    const HFONT handle = font.get();
    if (handle != nullptr)
        fonts_.emplace(key, std::move(font));
    return handle;
}

void Form::ApplyFont(Control& c) {
    if (c.hwnd == nullptr)
        return;
    if (const HFONT font = FontFor(c))
        ::SendMessageA(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

COLORREF Form::DefaultForeColor(const Control& c) const {
    if (c.spec.sysColor >= 0)
        return ::GetSysColor(c.spec.sysColor);
    return ::GetSysColor(c.spec.kind == ControlKind::TextBox ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
}

// ======================================================= window procedures

LRESULT CALLBACK Form::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* form = static_cast<Form*>(create->lpCreateParams);
        form->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    try {
        return self->OnMessage(hwnd, msg, wParam, lParam);
    } catch (...) {
        ReportCaught("a form's window procedure");
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
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
    case WM_SIZE:
        Fire([](FormEvents& e) { e.Form_Resize(); });
        return 0;
    case WM_CLOSE:
        RunUnload(kUnloadFormControlMenu);
        return 0;
    case WM_QUERYENDSESSION:
        // Windows goes on ending the session only if the program let its form go.
        return RunUnload(kUnloadAppWindows) ? TRUE : FALSE;
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
    case WM_DESTROY:
        // The controls still exist: keep what they hold for reads after the unload.
        for (Control& c : controls_) {
            if (c.hwnd == nullptr)
                continue;
            if (c.spec.kind != ControlKind::ComboList)
                c.text = WindowText(c.hwnd);
            else
                c.text = Text(c.spec.name);
            if (IsCheck(c.spec.kind))
                c.value = ::SendMessageA(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
            c.enabled = ::IsWindowEnabled(c.hwnd) != 0;
            c.visible = (::GetWindowLongA(c.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
        }
        break;
    case WM_NCDESTROY:
        OnDestroyed();
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Form::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->hwnd_ == nullptr)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
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
            return ::SendMessageA(self->hwnd_, msg, wParam, lParam);
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
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    } catch (...) {
        ReportCaught("a frame's window procedure");
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
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
        break;
    default:
        break;
    }
    return 0;
}

// ============================================================== events

void Form::OnCommand(HWND child, WORD code) {
    const Control* c = ByWindow(child);
    if (c == nullptr)
        return;
    bool click = false;
    switch (c->spec.kind) {
    case ControlKind::CommandButton:
    case ControlKind::CheckBox:
    case ControlKind::TabButton:
        click = code == BN_CLICKED;
        break;
    // The label's own mouse clicks are raised on the button's release (see
    // OnControlMessage); this is a click sent by another program.
    case ControlKind::Label:
        click = code == STN_CLICKED;
        break;
    case ControlKind::ComboList:
        click = code == CBN_SELCHANGE;
        break;
    default:
        break;
    }
    if (click)
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
    const int x = ui_.ToTwipsX(SignedLow(lParam));
    const int y = ui_.ToTwipsY(SignedHigh(lParam));
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
        ::SendMessageA(focus, CB_GETDROPPEDSTATE, 0, 0) != 0)
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
                ::SendMessageA(next, EM_SETSEL, 0, -1);
        }
        return true;
    }
    case VK_RETURN: {
        // The focused command button, else the default one; wherever they
        // sit (the dialog manager finds only the form's direct children).
        const Control* target = nullptr;
        if (focused != nullptr && focused->spec.kind == ControlKind::CommandButton)
            target = focused;
        else
            for (const Control& c : controls_)
                if (c.spec.isDefault && c.spec.kind == ControlKind::CommandButton)
                    target = &c;
        if (target == nullptr || !Usable(target->hwnd))
            return false;
        ClickButton(*target);
        return true;
    }
    case VK_ESCAPE:
        for (const Control& c : controls_)
            if (c.spec.isCancel && c.spec.kind == ControlKind::CommandButton && Usable(c.hwnd)) {
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
    ::SendMessageA(::GetParent(c.hwnd), WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(c.hwnd));
}

HWND Form::FirstTabStop() const {
    const Control* first = nullptr;
    for (const Control& c : controls_)
        if (c.hwnd != nullptr && TakesFocus(c.spec.kind) && c.spec.tabIndex >= 0 &&
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

LRESULT Form::OnControlColor(HDC dc, HWND child) {
    const Control* c = ByWindow(child);
    if (c == nullptr)
        return 0;
    ::SetTextColor(dc, c->foreColor.value_or(DefaultForeColor(*c)));
    // A text box stays white when it is read-only, as a locked one does.
    const int background = c->spec.kind == ControlKind::TextBox ? COLOR_WINDOW : COLOR_BTNFACE;
    ::SetBkColor(dc, ::GetSysColor(background));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(background));
}

void Form::PaintContainer(HWND container, HDC dc) {
    const HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(DC_PEN));
    for (const Control& c : controls_) {
        if (c.spec.kind != ControlKind::Line || !c.visible || c.container != container)
            continue;
        const int colorIndex = c.spec.sysColor >= 0 ? c.spec.sysColor : COLOR_WINDOWTEXT;
        const COLORREF color = c.foreColor.value_or(::GetSysColor(colorIndex));
        ::SetDCPenColor(dc, color);
        const int x1 = ui_.ToPixelsX(c.left), y1 = ui_.ToPixelsY(c.top);
        const int x2 = ui_.ToPixelsX(c.width), y2 = ui_.ToPixelsY(c.height);
        ::MoveToEx(dc, x1, y1, nullptr);
        ::LineTo(dc, x2, y2);
        // LineTo leaves out the last point; a line includes both ends.
        ::SetPixel(dc, x2, y2, color);
    }
    ::SelectObject(dc, oldPen);
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

// ============================================================== unload

bool Form::RunUnload(int unloadMode) {
    if (hwnd_ == nullptr)
        return true;
    if (unloading_ || destroying_)
        return false;
    const std::weak_ptr<const char> token = alive_;
    int cancel = 0;
    unloading_ = true;
    bool loaded = Fire([&](FormEvents& e) { e.Form_QueryUnload(cancel, unloadMode); });
    if (token.expired())
        return true;
    unloading_ = false;
    if (!loaded)
        return true;
    if (cancel != 0)
        return false;
    unloading_ = true;
    loaded = Fire([&](FormEvents& e) { e.Form_Unload(cancel); });
    if (token.expired())
        return true;
    unloading_ = false;
    if (!loaded)
        return true;
    if (cancel != 0)
        return false;
    Destroy();
    return true;
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

// ============================================================== window

void Form::Show() {
    if (hwnd_ == nullptr)
        return;
    int command = SW_SHOW;
    if (pendingState_) {
        switch (*pendingState_) {
        case kStateMinimized:
            command = SW_SHOWMINNOACTIVE;
            break;
        case kStateMaximized:
            command = SW_SHOWMAXIMIZED;
            break;
        default:
            command = ::IsIconic(hwnd_) != 0 || ::IsZoomed(hwnd_) != 0 ? SW_SHOWNORMAL : SW_SHOW;
            break;
        }
        pendingState_.reset();
    }
    ::ShowWindow(hwnd_, command);
}

void Form::ShowModal() {
    if (hwnd_ == nullptr)
        return;
    const std::weak_ptr<const char> token = alive_;
    std::vector<HWND> disabled;
    for (Form* other : ui_.Forms()) {
        const HWND h = other->Handle();
        if (other != this && h != nullptr && ::IsWindowEnabled(h) != 0) {
            ::EnableWindow(h, FALSE);
            disabled.push_back(h);
        }
    }
    disabledByModal_ = disabled;
    Show();
    // As on classic forms, hiding the form ends its modal show as well.
    ui_.PumpUntil(
        [this, &token] {
            return token.expired() || hwnd_ == nullptr || ::IsWindowVisible(hwnd_) == 0;
        },
        true);
    for (HWND h : disabled)
        if (::IsWindow(h) != 0)
            ::EnableWindow(h, TRUE);
    if (!token.expired())
        disabledByModal_.clear();
}

void Form::Hide() {
    if (hwnd_ == nullptr)
        return;
    ReenableAfterModal();
    ::ShowWindow(hwnd_, SW_HIDE);
}

bool Form::Visible() const {
    return hwnd_ != nullptr && ::IsWindowVisible(hwnd_) != 0;
}

void Form::Refresh() {
    if (hwnd_ != nullptr)
        ::RedrawWindow(hwnd_, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int Form::WindowState() const {
    if (hwnd_ == nullptr)
        return pendingState_.value_or(kStateNormal);
    if (pendingState_ && ::IsWindowVisible(hwnd_) == 0)
        return *pendingState_;
    if (::IsIconic(hwnd_) != 0)
        return kStateMinimized;
    if (::IsZoomed(hwnd_) != 0)
        return kStateMaximized;
    return kStateNormal;
}

void Form::SetWindowState(int state) {
    if (state != kStateNormal && state != kStateMinimized && state != kStateMaximized)
        return;
    if (hwnd_ == nullptr)
        return;
    // A hidden window keeps the state for its next show rather than showing
    // itself now (minimising would put it on the screen).
    if (::IsWindowVisible(hwnd_) == 0) {
        pendingState_ = state;
        return;
    }
    pendingState_.reset();
    if (state == WindowState())
        return;
    ::ShowWindow(hwnd_, state == kStateMinimized   ? SW_MINIMIZE
                        : state == kStateMaximized ? SW_MAXIMIZE
                                                   : SW_SHOWNORMAL);
}

std::string Form::Caption() const {
    return hwnd_ != nullptr ? WindowText(hwnd_) : spec_.caption;
}

void Form::SetCaption(const std::string& text) {
    spec_.caption = text;
    if (hwnd_ != nullptr)
        ::SetWindowTextA(hwnd_, text.c_str());
}

int Form::Left() const {
    return hwnd_ != nullptr ? ui_.ToTwipsX(NormalRect(hwnd_).left) : 0;
}

int Form::Top() const {
    return hwnd_ != nullptr ? ui_.ToTwipsY(NormalRect(hwnd_).top) : 0;
}

int Form::Width() const {
    if (hwnd_ == nullptr)
        return 0;
    const RECT r = NormalRect(hwnd_);
    return ui_.ToTwipsX(r.right - r.left);
}

int Form::Height() const {
    if (hwnd_ == nullptr)
        return 0;
    const RECT r = NormalRect(hwnd_);
    return ui_.ToTwipsY(r.bottom - r.top);
}

void Form::Move(int left, int top) {
    if (hwnd_ == nullptr)
        return;
    const int x = ui_.ToPixelsX(left);
    const int y = ui_.ToPixelsY(top);
    if (::IsIconic(hwnd_) == 0 && ::IsZoomed(hwnd_) == 0) {
        ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // Minimised or maximised: the restored position moves.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(hwnd_, &placement) == 0)
        return;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::OffsetRect(&placement.rcNormalPosition, x - work.left - placement.rcNormalPosition.left,
                 y - work.top - placement.rcNormalPosition.top);
    const bool visible = ::IsWindowVisible(hwnd_) != 0;
    placement.showCmd = static_cast<UINT>(!visible                 ? SW_HIDE
                                          : ::IsIconic(hwnd_) != 0 ? SW_SHOWMINNOACTIVE
                                                                   : SW_SHOWMAXIMIZED);
    ::SetWindowPlacement(hwnd_, &placement);
}

void Form::SetShowInTaskbar(bool show) {
    if (show == showInTaskbar_)
        return;
    showInTaskbar_ = show;
    if (hwnd_ == nullptr)
        return;
    // The taskbar has a button for a window nobody owns; owned by a hidden
    // window of the program, the form has none and keeps its caption.
    ::SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT,
                        show ? 0 : reinterpret_cast<LONG_PTR>(ui_.TaskbarOwner()));
    if (::IsWindowVisible(hwnd_) == 0)
        return;
    // Taskbars look at a window when it appears (Wine's too, which has no
    // list of its own to edit): a form on the screen goes and comes back.
    const bool active = ::GetForegroundWindow() == hwnd_;
    ::ShowWindow(hwnd_, SW_HIDE);
    ::ShowWindow(hwnd_, active ? SW_SHOW : SW_SHOWNA);
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
        const LRESULT index = ::SendMessageA(c.hwnd, CB_GETCURSEL, 0, 0);
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
        const LRESULT index = ::SendMessageA(c.hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(text.c_str()));
        if (index != CB_ERR)
            SetListIndex(control, static_cast<int>(index));
        return;
    }
    c.text = text;
    if (c.hwnd != nullptr)
        ::SetWindowTextA(c.hwnd, text.c_str());
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
    return (::GetWindowLongA(c.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Form::SetControlVisible(const std::string& control, bool visible) {
    Control& c = At(control);
    c.visible = visible;
    if (c.hwnd != nullptr)
        ::ShowWindow(c.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    else if (c.spec.kind == ControlKind::Line && c.container != nullptr)
        ::InvalidateRect(c.container, nullptr, TRUE);
}

int Form::Value(const std::string& control) const {
    const Control& c = At(control);
    if (!IsCheck(c.spec.kind))
        return 0;
    if (c.hwnd == nullptr)
        return c.value;
    return ::SendMessageA(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Form::SetValue(const std::string& control, int value) {
    Control& c = At(control);
    if (c.hwnd == nullptr) {
        if (IsCheck(c.spec.kind))
            c.value = value != 0 ? 1 : 0;
        return;
    }
    if (c.spec.kind == ControlKind::CommandButton) {
        // Pressing a command button from code clicks it.
        if (value != 0)
            ClickButton(c);
        return;
    }
    if (!IsCheck(c.spec.kind))
        return;
    const WPARAM state = value != 0 ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(::SendMessageA(c.hwnd, BM_GETCHECK, 0, 0)) == state)
        return;
    ::SendMessageA(c.hwnd, BM_SETCHECK, state, 0);
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
        const int extra =
            c.spec.kind == ControlKind::ComboList ? ui_.ToPixelsY(kComboDropTwips) : 0;
        ::SetWindowPos(c.hwnd, nullptr, ui_.ToPixelsX(left), ui_.ToPixelsY(top),
                       ui_.ToPixelsX(width), ui_.ToPixelsY(height) + extra,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (c.spec.kind == ControlKind::Line && c.container != nullptr) {
        ::InvalidateRect(c.container, nullptr, TRUE);
    }
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
        ::SendMessageA(c.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int Form::ListCount(const std::string& control) const {
    const Control& c = At(control);
    if (c.spec.kind != ControlKind::ComboList || c.hwnd == nullptr)
        return 0;
    const LRESULT count = ::SendMessageA(c.hwnd, CB_GETCOUNT, 0, 0);
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
    const LRESULT index = ::SendMessageA(c.hwnd, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Form::SetListIndex(const std::string& control, int index) {
    const Control& c = At(control);
    if (c.spec.kind != ControlKind::ComboList || c.hwnd == nullptr)
        return;
    if (index < -1 || index >= ListCount(control) || index == ListIndex(control))
        return;
    ::SendMessageA(c.hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
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
    return ToHandle32(At(image).icon.get());
}

// ============================================================== menus

std::size_t Form::MenuIndex(const std::string& name) const {
    for (std::size_t i = 0; i < menus_.size(); ++i)
        if (menus_[i].spec.name == name)
            return i;
    throw std::invalid_argument("form " + spec_.name + " has no menu item " + name);
}

std::string Form::MenuCaption(const std::string& item) const {
    return menus_[MenuIndex(item)].caption;
}

void Form::SetMenuCaption(const std::string& item, const std::string& caption) {
    menus_[MenuIndex(item)].caption = caption;
}

bool Form::MenuEnabled(const std::string& item) const {
    return menus_[MenuIndex(item)].enabled;
}

void Form::SetMenuEnabled(const std::string& item, bool enabled) {
    menus_[MenuIndex(item)].enabled = enabled;
}

OwnedMenu Form::BuildMenu(const std::string& parent) {
    struct Builder {
        Form& form;
        OwnedMenu Build(const std::string& under, int depth) {
            OwnedMenu menu(::CreatePopupMenu());
            if (!menu || depth > kMaxMenuDepth)
                return menu;
            for (std::size_t i = 0; i < form.menus_.size(); ++i) {
                const MenuItem& item = form.menus_[i];
                if (item.spec.parent != under)
                    continue;
                if (item.caption == "-") {
                    ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
                    continue;
                }
                const UINT state = item.enabled ? MF_ENABLED : MF_GRAYED;
                const bool hasChildren =
                    std::any_of(form.menus_.begin(), form.menus_.end(),
                                [&](const MenuItem& m) { return m.spec.parent == item.spec.name; });
                if (hasChildren) {
                    OwnedMenu sub = Build(item.spec.name, depth + 1);
                    if (sub && ::AppendMenuA(menu.get(), MF_POPUP | state,
                                             reinterpret_cast<UINT_PTR>(sub.get()),
                                             item.caption.c_str()) != 0)
                        static_cast<void>(sub.release()); // the menu owns it now
                    continue;
                }
                ::AppendMenuA(menu.get(), MF_STRING | state, i + 1, item.caption.c_str());
            }
            return menu;
        }
    };
    return Builder{*this}.Build(parent, 0);
}

void Form::PopupMenu(const std::string& parent, std::uint32_t flags,
                     const std::string& defaultItem) {
    if (hwnd_ == nullptr)
        return;
    MenuIndex(parent); // a parent that does not exist is the caller's mistake
    const std::weak_ptr<const char> token = alive_;
    // The parent's click comes first: its handler sets the items' captions and states.
    if (!Fire([&parent](FormEvents& e) { e.MenuClick(parent); }))
        return;
    const OwnedMenu menu(BuildMenu(parent));
    if (!menu)
        return;
    if (!defaultItem.empty())
        for (std::size_t i = 0; i < menus_.size(); ++i)
            if (menus_[i].spec.name == defaultItem)
                ::SetMenuDefaultItem(menu.get(), static_cast<UINT>(i + 1), FALSE);
    POINT at{};
    ::GetCursorPos(&at);
    // The classic pop-up for a notification icon: the window must be in the
    // foreground for the menu to close when the user clicks elsewhere, and a
    // message after it lets the next pop-up open at the first click.
    if (::GetForegroundWindow() != hwnd_)
        ::SetForegroundWindow(hwnd_);
    const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
        menu.get(), flags | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
    // The menu's loop handled other messages meanwhile (timers among them).
    if (token.expired() || hwnd_ == nullptr)
        return;
    ::PostMessageA(hwnd_, WM_NULL, 0, 0);
    if (chosen == 0 || chosen > menus_.size())
        return;
    const std::string item = menus_[chosen - 1].spec.name;
    Fire([&item](FormEvents& e) { e.MenuClick(item); });
}

} // namespace pocketry::platform::win32
