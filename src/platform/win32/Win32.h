#pragma once
// Common ground of the Windows layer: the Windows headers, handle conversions,
// the failure text of an error number and small owners for Windows handles.
//
// The platform headers reuse Windows names for their constants (NIM_ADD,
// SW_HIDE, MB_OK...), which <windows.h> defines as macros. They are read here
// first, before those macros exist; every file of this layer includes this
// header before anything else.
#include "platform/forms.h"
#include "platform/platform.h"

// Windows headers after the platform headers (see above).
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

// <shlobj.h> maps this name to its ANSI or wide form; the platform's method of
// the same name must keep its own spelling.
#undef SHGetPathFromIDList

namespace pocketry::platform::win32 {

// Window, icon and menu handles hold 32 significant bits on 64-bit Windows as
// well; the platform keeps them as 32-bit values and they are sign-extended
// back, as 64-bit Windows does between 32- and 64-bit processes.
inline Hwnd ToHwnd(HWND h) {
    return static_cast<Hwnd>(reinterpret_cast<std::uintptr_t>(h));
}
inline HWND ToHWND(Hwnd h) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(h)));
}
inline std::uint32_t ToHandle32(HICON h) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h));
}
inline HICON ToHICON(std::uint32_t h) {
    return reinterpret_cast<HICON>(static_cast<std::intptr_t>(static_cast<std::int32_t>(h)));
}

// The one edge between the program's UTF-8 text and Windows' UTF-16. Every
// call of this layer that passes a name, a path or a text uses the wide (W)
// function through these two: the ANSI code page would lose characters, and
// its "best fit" turns some of them into path syntax. A malformed sequence
// becomes U+FFFD, which names no file.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* utf16, std::size_t length);
inline std::string Utf8(const std::wstring& utf16) {
    return Utf8(utf16.data(), utf16.size());
}
// A zero-terminated text.
std::string Utf8(const wchar_t* utf16);

// FormatMessage's text for an error number, without the trailing line break
// and full stop, so that callers can put it inside their own sentences.
std::string ErrorText(DWORD error);
// A Status carrying `error` and its text (the number 0 still reads as a failure
// with the system's own text; callers pass a real error).
Status StatusFrom(DWORD error);
// The calling thread's last error as a Status.
Status LastErrorStatus();

// For the catch blocks at the edge of window procedures and callbacks: tells
// the debugger output what was stopped there. Call only inside a catch block.
void ReportCaught(const char* where) noexcept;

// Owns one Windows handle and frees it with `Free` at the end of its life.
template <typename H, auto Free> struct HandleFree {
    void operator()(H h) const noexcept { Free(h); }
};
template <typename H, auto Free>
using Owned = std::unique_ptr<std::remove_pointer_t<H>, HandleFree<H, Free>>;

using OwnedHandle = Owned<HANDLE, ::CloseHandle>;
using OwnedKey = Owned<HKEY, ::RegCloseKey>;
using OwnedFind = Owned<HANDLE, ::FindClose>;
using OwnedFont = Owned<HFONT, ::DeleteObject>;
using OwnedIcon = Owned<HICON, ::DestroyIcon>;
using OwnedMenu = Owned<HMENU, ::DestroyMenu>;
using OwnedWindow = Owned<HWND, ::DestroyWindow>;
using OwnedLibrary = Owned<HMODULE, ::FreeLibrary>;
using OwnedPidl = Owned<LPITEMIDLIST, ::CoTaskMemFree>;

// The screen's device context for the length of a scope.
class ScreenDc {
  public:
    ScreenDc() : dc_(::GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_ != nullptr)
            ::ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

// The thread's COM apartment for the length of a scope: ShellExecute may hand
// work to shell extensions, the shell-link library creates shortcuts through
// COM and the taskbar button list is a COM object.
class ComApartment {
  public:
    ComApartment()
        : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    HRESULT result_;
};

// A string argument that Windows wants as NULL when it is empty.
inline const wchar_t* NullIfEmpty(const std::wstring& s) {
    return s.empty() ? nullptr : s.c_str();
}

// How many of the first `count` UTF-16 units can be kept without ending in
// half of a pair, which would become U+FFFD.
inline std::size_t WholeUnits(const wchar_t* text, std::size_t count) {
    return count > 0 && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF ? count - 1 : count;
}

} // namespace pocketry::platform::win32
