#pragma once
// What the files of the Windows form share: a few constants, small helpers and
// the event-firing template. Only the Form*.cpp files include this.
#include "platform/win32/Form.h"

#include <algorithm>
#include <string>

namespace pocketry::platform::win32 {

namespace form_internal {

inline constexpr int kFirstControlId = 100; // clear of IDOK and IDCANCEL
inline constexpr UINT kKeepFocusVisible =
    WM_APP + 1; // posted to a form: focus left on a hidden control

// What a kind of control is and how its window is made, in one place.
struct KindTraits {
    const wchar_t* windowClass; // null: no window of its own
    DWORD style;                // the kind's own window styles
    DWORD exStyle;
    bool container;  // holds other controls as child windows (frames)
    bool check;      // has a checked state
    bool takesFocus; // a tab stop when it has a tab index
    bool pushButton; // a push button: pressed by Enter, may be the default
    int clickCode;   // the notification that raises its Click; -1 none
    int dropTwips;   // window height below the control (a combo box's list)
    int textColor;   // system colour indexes of its text and background
    int backColor;
};
const KindTraits& Traits(ControlKind kind);

// A window's text in UTF-8.
inline std::string WindowText(HWND hwnd) {
    const int length = ::GetWindowTextLengthW(hwnd);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
    return Utf8(text.data(), static_cast<std::size_t>(std::max(got, 0)));
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
