#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

// vb5stkit.dll, loaded on first use from the program's own folder, else from
// the system folder (never from the current folder or PATH), and freed with
// this object.
class ShellLinkLibrary final : public platform::ShellLinkLibrary {
  public:
    explicit ShellLinkLibrary(std::string fileName = "vb5stkit.dll")
        : fileName_(std::move(fileName)) {}

    Status fCreateShellFolder(const std::string& group, std::int32_t& result) override;
    Status fCreateShellLink(const std::string& group, const std::string& link,
                            const std::string& target, const std::string& arguments,
                            std::int32_t& result) override;
    Status fRemoveShellLink(const std::string& group, const std::string& link,
                            std::int32_t& result) override;

  private:
    // The address of an export, found plain or as a 32-bit stdcall name
    // ("_name@bytes"); a failure to load the library or to find the name
    // comes back in `status`.
    FARPROC Find(const char* name, int argumentBytes, Status& status);

    std::string fileName_;
    OwnedLibrary library_;
};

} // namespace pocketry::platform::win32
