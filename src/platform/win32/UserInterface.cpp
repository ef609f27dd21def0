#include "platform/win32/UserInterface.h"

#include "platform/win32/Form.h"

#include <algorithm>
#include <stdexcept>

namespace pocketry::platform::win32 {

namespace {

constexpr const wchar_t* kOwnerClass = L"PocketryOwner";

void RegisterOrThrow(const WNDCLASSEXW& wc) {
    if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("cannot register the window class " + Utf8(wc.lpszClassName) +
                                 ": " + ErrorText(::GetLastError()));
}

// A system cursor by its IDC_ number (the headers spell those for the ANSI
// functions; the number is the same for both).
HCURSOR SystemCursor(LPCSTR id) {
    return ::LoadCursorW(nullptr, MAKEINTRESOURCEW(LOWORD(reinterpret_cast<ULONG_PTR>(id))));
}

} // namespace

UserInterface::UserInterface(HINSTANCE instance) : instance_(instance) {
    const ScreenDc screen;
    if (screen.get() != nullptr) {
        dpiX_ = std::max(1, ::GetDeviceCaps(screen.get(), LOGPIXELSX));
        dpiY_ = std::max(1, ::GetDeviceCaps(screen.get(), LOGPIXELSY));
    }

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form::FormProc;
    wc.hInstance = instance_;
    wc.hCursor = SystemCursor(IDC_ARROW);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kFormClass;
    RegisterOrThrow(wc);

    wc.lpfnWndProc = &Form::FrameProc;
    wc.lpszClassName = kFrameClass;
    RegisterOrThrow(wc);

    wc.lpfnWndProc = &::DefWindowProcW;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kOwnerClass;
    RegisterOrThrow(wc);
}

UserInterface::~UserInterface() = default;

std::unique_ptr<platform::Form> UserInterface::CreateForm(const FormSpec& spec,
                                                          FormEvents& events) {
    return std::make_unique<Form>(*this, spec, events);
}

int UserInterface::MsgBox(const std::string& prompt, std::uint32_t style,
                          const std::string& title) {
    // The box is the user's to answer: no hourglass over it.
    ++messageBoxes_;
    if (pointer_ != 0)
        ::SetCursor(SystemCursor(IDC_ARROW));
    // Owned by the active form, which the box disables while it is open, as
    // a modal box must; the program's other windows stay as they are.
    const Form* owner = ActiveForm();
    const int answer = ::MessageBoxW(owner != nullptr ? owner->Handle() : nullptr,
                                     Wide(prompt).c_str(), Wide(title).c_str(), style);
    --messageBoxes_;
    if (HCURSOR cursor = ScreenCursor())
        ::SetCursor(cursor);
    return answer;
}

HCURSOR UserInterface::CursorOf(int pointer) {
    switch (pointer) {
    case 1:
        return SystemCursor(IDC_ARROW);
    case 2:
        return SystemCursor(IDC_CROSS);
    case 3:
        return SystemCursor(IDC_IBEAM);
    case 4:
        return SystemCursor(IDC_ARROW);
    case 5:
        return SystemCursor(IDC_SIZEALL);
    case 6:
        return SystemCursor(IDC_SIZENESW);
    case 7:
        return SystemCursor(IDC_SIZENS);
    case 8:
        return SystemCursor(IDC_SIZENWSE);
    case 9:
        return SystemCursor(IDC_SIZEWE);
    case kPointerUpArrow:
        return SystemCursor(IDC_UPARROW);
    case kPointerHourglass:
        return SystemCursor(IDC_WAIT);
    case 12:
        return SystemCursor(IDC_NO);
    case 13:
        return SystemCursor(IDC_APPSTARTING);
    case 14:
        return SystemCursor(IDC_HELP);
    case 15:
        return SystemCursor(IDC_SIZEALL);
    default:
        return nullptr;
    }
}

HCURSOR UserInterface::ScreenCursor() const {
    return messageBoxes_ == 0 ? CursorOf(pointer_) : nullptr;
}

void UserInterface::SetMousePointer(int pointer) {
    pointer_ = pointer;
    // The program is usually busy right after this and handles no messages:
    // the cursor changes now, not at the next mouse move.
    if (HCURSOR cursor = ScreenCursor())
        ::SetCursor(cursor);
    else
        RefreshCursor();
}

void UserInterface::RefreshCursor() {
    POINT at{};
    if (::GetCursorPos(&at) == 0)
        return;
    const HWND under = ::WindowFromPoint(at);
    if (under != nullptr && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
        const LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
        ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                       MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
    } else {
        ::SetCursor(SystemCursor(IDC_ARROW));
    }
}

double UserInterface::ScreenWidth() const {
    return ::GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixelX();
}

double UserInterface::ScreenHeight() const {
    return ::GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixelY();
}

void UserInterface::Register(Form* form) {
    if (std::find(forms_.begin(), forms_.end(), form) == forms_.end())
        forms_.push_back(form);
}

void UserInterface::Unregister(Form* form) {
    const auto gone = std::remove(forms_.begin(), forms_.end(), form);
    if (gone == forms_.end())
        return;
    forms_.erase(gone, forms_.end());
    shown_.erase(std::remove(shown_.begin(), shown_.end(), form), shown_.end());
    // Whatever destroyed the last window (a posted or a sent message, a modal
    // loop or a message box), the loops around it end; a loop that is not
    // running yet finds no form and does not start.
    if (forms_.empty() && (loops_ > 0 || messageBoxes_ > 0)) {
        ::PostQuitMessage(0);
        quitPosted_ = true;
    }
}

Form* UserInterface::FormOf(HWND hwnd) const {
    const HWND root = ::GetAncestor(hwnd, GA_ROOT);
    if (root == nullptr)
        return nullptr;
    for (Form* form : forms_)
        if (form->Handle() == root)
            return form;
    return nullptr;
}

Form* UserInterface::ActiveForm() const {
    // A hidden or minimised form (the main window in the tray, made active
    // for its tray menu) owns nothing: what it owned would be hidden with it
    // and kept off the taskbar.
    if (const HWND active = ::GetActiveWindow();
        active != nullptr && ::IsWindowVisible(active) != 0 && ::IsIconic(active) == 0)
        for (Form* form : forms_)
            if (form->Handle() == active)
                return form;
    for (auto it = shown_.rbegin(); it != shown_.rend(); ++it) {
        const HWND h = (*it)->Handle();
        if (h != nullptr && ::IsWindowVisible(h) != 0 && ::IsIconic(h) == 0 &&
            ::IsWindowEnabled(h) != 0)
            return *it;
    }
    return nullptr;
}

void UserInterface::NoteShown(Form* form) {
    if (std::find(forms_.begin(), forms_.end(), form) == forms_.end())
        return;
    shown_.erase(std::remove(shown_.begin(), shown_.end(), form), shown_.end());
    shown_.push_back(form);
}

HWND UserInterface::TaskbarOwner() {
    if (!taskbarOwner_)
        taskbarOwner_.reset(::CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                              nullptr, instance_, nullptr));
    return taskbarOwner_.get();
}

} // namespace pocketry::platform::win32
