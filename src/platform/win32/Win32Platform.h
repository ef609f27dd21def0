#pragma once
// Every Windows service of the platform layer in one object, and the
// platform view of them that the program is handed at start.
#include "platform/win32/Win32.h"

#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Kernel.h"
#include "platform/win32/SettingsStore.h"
#include "platform/win32/Shell.h"
#include "platform/win32/ShellLinkLibrary.h"
#include "platform/win32/SingleInstance.h"
#include "platform/win32/UserInterface.h"
#include "platform/win32/Windows.h"

namespace pocketry::platform::win32 {

class Win32Platform {
  public:
    explicit Win32Platform(HINSTANCE instance)
        : ui_(instance), api_{settings_, instance_,  shell_, windows_,   kernel_,
                              clock_,    clipboard_, ui_,    shellLinks_} {}
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    platform::Platform& Api() { return api_; }

  private:
    SettingsStore settings_;
    SingleInstance instance_;
    Shell shell_;
    Windows windows_;
    Kernel kernel_;
    Clock clock_;
    Clipboard clipboard_;
    UserInterface ui_;
    ShellLinkLibrary shellLinks_;
    platform::Platform api_;
};

} // namespace pocketry::platform::win32
