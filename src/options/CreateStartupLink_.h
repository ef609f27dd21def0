#pragma once
// Pocketry's shortcut in the StartUp program group, made and removed through
// the shell-link library.

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace pocketry {
class App;

namespace CreateStartupLink_ {

// The two failures of the program's own; any other number is the platform's.
constexpr std::uint32_t kGroupFailed = 65535, kLinkFailed = 65534;

// The special folder's own name (the last part of its path), or "".
std::string GetSpecialFolder(App& app, platform::Hwnd hWndOwner, int Folder);
// True when done; false once the failure has been shown.
bool CreateStartupLink(App& app, platform::Hwnd hWndOwner);
bool RemoveStartupLink(App& app, platform::Hwnd hWndOwner);
// `Description` is the platform's text for a number not of the program's own.
void StartupLinkError(App& app, std::uint32_t Number, const std::string& Description,
                      bool creating);

} // namespace CreateStartupLink_
} // namespace pocketry
