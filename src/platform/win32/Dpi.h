#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32::dpi {

// Per-monitor DPI through the functions Windows 10 (1607) added; on older
// Windows, which knows only the system DPI, each falls back to it. They are
// looked up in the already loaded user32, never loaded from a file.

// WM_GETDPISCALEDSIZE (Windows 10 1703), newer than the headers at hand.
inline constexpr UINT kGetDpiScaledSize = 0x02E4;

// The DPI of the monitor a window is on (of any program), or `fallback`.
UINT ForWindow(HWND hwnd, UINT fallback);
// A system metric scaled for `dpi`.
int Metric(int index, UINT dpi, UINT systemDpi);
// The outer rectangle of a window whose client area is `rect`, at `dpi`.
RECT OuterRect(RECT rect, DWORD style, DWORD exStyle, UINT dpi);
// The icon resource `id` at `size` square pixels: the image of that size, or
// a larger one scaled down (never a smaller one blown up); null when missing.
HICON IconAt(HINSTANCE instance, int id, int size);
// The small icon size of the notification area, which is drawn at the DPI of
// the taskbar's monitor.
int TrayIconSize(UINT systemDpi);

} // namespace pocketry::platform::win32::dpi
