// The window: show, hide and the modal show, placement, state and the taskbar button.
#include "platform/win32/FormInternal.h"

#include "platform/win32/Dpi.h"
#include "platform/win32/UserInterface.h"

#include <utility>

namespace pocketry::platform::win32 {

using namespace form_internal;

namespace {

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
    if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) != 0)
        ::OffsetRect(&rect, work.left, work.top);
    return rect;
}

} // namespace

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

// As DialogBox does: the form is owned by the form that was active when it
// opened, and that one is disabled until the modal show ends.
void Form::ShowModal() {
    if (hwnd_ == nullptr)
        return;
    const std::weak_ptr<const char> token = alive_;
    const Form* active = ui_.ActiveForm();
    const HWND owner = active != nullptr && active != this ? active->Handle() : nullptr;
    std::vector<HWND> disabled;
    if (owner != nullptr) {
        ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
        if (::IsWindowEnabled(owner) != 0) {
            ::EnableWindow(owner, FALSE);
            disabled.push_back(owner);
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
    // Hide and Destroy gave the owner back already, before the window went.
    for (HWND h : disabled)
        if (::IsWindow(h) != 0)
            ::EnableWindow(h, TRUE);
    if (token.expired())
        return;
    disabledByModal_.clear();
    // Back to the owner that keeps it off the taskbar, or none.
    if (hwnd_ != nullptr && owner != nullptr)
        ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT,
                            showInTaskbar_ ? 0 : reinterpret_cast<LONG_PTR>(ui_.TaskbarOwner()));
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
        ::SetWindowTextW(hwnd_, Wide(text).c_str());
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
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
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
    ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT,
                        show ? 0 : reinterpret_cast<LONG_PTR>(ui_.TaskbarOwner()));
    if (::IsWindowVisible(hwnd_) == 0)
        return;
    // Taskbars look at a window when it appears (Wine's too, which has no
    // list of its own to edit): a form on the screen goes and comes back.
    const bool active = ::GetForegroundWindow() == hwnd_;
    ::ShowWindow(hwnd_, SW_HIDE);
    ::ShowWindow(hwnd_, active ? SW_SHOW : SW_SHOWNA);
}

// ===================================================================== DPI

SIZE Form::OuterSize(int dpi) const {
    const RECT client{0, 0, TwipsToPixels(spec_.clientWidth, dpi),
                      TwipsToPixels(spec_.clientHeight, dpi)};
    const RECT outer = dpi::OuterRect(client, style_, exStyle_, static_cast<UINT>(dpi));
    return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

void Form::SetWindowIcons() {
    if (spec_.iconResource == 0)
        return;
    const auto load = [this](int metric) {
        return dpi::IconAt(
            ui_.Instance(), spec_.iconResource,
            dpi::Metric(metric, static_cast<UINT>(dpi_), static_cast<UINT>(ui_.DpiY())));
    };
    // The window lets go of the old icons before they are destroyed.
    OwnedIcon small(load(SM_CXSMICON));
    OwnedIcon big(load(SM_CXICON));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    smallIcon_ = std::move(small);
    bigIcon_ = std::move(big);
}

void Form::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0)
        return;
    dpi_ = dpi;
    // New fonts for the new DPI; the old ones live until no control uses them.
    const std::map<FontKey, OwnedFont> oldFonts = std::exchange(fonts_, {});
    for (Control& c : controls_) {
        if (c.hwnd == nullptr)
            continue;
        PlaceControl(c);
        ApplyFont(c);
    }
    SetWindowIcons();
    if (::IsIconic(hwnd_) == 0)
        ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                       suggested.right - suggested.left, suggested.bottom - suggested.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    // What the program placed from pixel spacings it places again.
    if (Fire([](FormEvents& e) { e.Form_DpiChanged(); }))
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

} // namespace pocketry::platform::win32
