#pragma once
// What the files of the Windows form share: a few constants, small helpers and
// the event-firing template. Only the Form*.cpp files include this.
#include "platform/win32/Form.h"

#include <algorithm>
#include <string>

namespace pocketry::platform::win32 {

namespace form_internal {

inline constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL
inline constexpr int kComboDropTwips = 1600; // room for about eight items when dropped

inline bool HasWindow(ControlKind kind) {
    return kind != ControlKind::Line && kind != ControlKind::Timer && kind != ControlKind::Image;
}

inline bool IsContainer(ControlKind kind) {
    return kind == ControlKind::Frame || kind == ControlKind::FrameBorderless;
}

inline bool IsCheck(ControlKind kind) {
    return kind == ControlKind::CheckBox || kind == ControlKind::TabButton;
}

inline bool TakesFocus(ControlKind kind) {
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

inline std::string WindowText(HWND hwnd) {
    const int length = ::GetWindowTextLengthA(hwnd);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

inline int SignedLow(LPARAM value) {
    return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(value)));
}
inline int SignedHigh(LPARAM value) {
    return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(value)));
}

inline bool Usable(HWND hwnd) {
    return hwnd != nullptr && ::IsWindowVisible(hwnd) != 0 && ::IsWindowEnabled(hwnd) != 0;
}

} // namespace form_internal

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

} // namespace pocketry::platform::win32
