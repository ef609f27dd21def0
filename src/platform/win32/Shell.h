#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

class Shell final : public platform::Shell {
  public:
    bool Shell_NotifyIconA(std::uint32_t dwMessage, const NotifyIconDataA& data) override;
    std::uint32_t SHAppBarMessage(std::uint32_t dwMessage, AppBarData& data) override;
    std::intptr_t ShellExecuteA(Hwnd parent, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int showCmd) override;
    std::int32_t SHGetSpecialFolderLocation(Hwnd owner, int folder) override;
    bool SHGetPathFromIDList(Hwnd owner, int folder, std::string& path) override;
};

} // namespace pocketry::platform::win32
