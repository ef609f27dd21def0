#pragma once
// Bringing a window of another program to the foreground.

#include <cstdint>

#include "platform/platform.h"

namespace pocketry {
class App;

namespace FocusWindow_ {

// Returns the window that had the foreground when called.
platform::Hwnd FocusWindow(App& app, platform::Hwnd hWnd, std::int32_t WaitSeconds,
                           bool RestoreIfMinimized);

} // namespace FocusWindow_
} // namespace pocketry
