#pragma once
// Replacing the main window's window procedure so that the shell's tray
// notifications reach the program. Hooks are counted: only the last
// UnhookWindow puts the saved procedure back.

#include <cstdint>

#include "platform/platform.h"

namespace pocketry {
class App;

namespace Subclass_ {

bool HookWindow(App& app, platform::Hwnd window);
void UnhookWindow(App& app, platform::Hwnd window);
std::intptr_t WindowProc(platform::Hwnd hWnd, std::uint32_t uMsg, std::uintptr_t wParam,
                         std::intptr_t lParam);

} // namespace Subclass_
} // namespace pocketry
