#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

class Clipboard final : public platform::Clipboard {
  public:
    // Opens the clipboard (without an owner window), empties it and closes it.
    Status EmptyClipboard() override;
    bool IsClipboardFormatAvailable(std::uint32_t format) override;
    // The platform's name; the format is registered by its wide name.
    std::uint32_t RegisterClipboardFormatA(const std::string& name) override;
};

} // namespace pocketry::platform::win32
