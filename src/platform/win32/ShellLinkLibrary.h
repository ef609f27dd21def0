#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

// vb5stkit.dll, loaded on first use from the program's own folder, else from
// the system folder (never from the current folder or PATH), and freed with
// this object. Its wide functions are called where it has them; with only
// the narrow ones, a text the ANSI code page cannot hold exactly fails with
// ERROR_NO_UNICODE_TRANSLATION rather than reaching the library changed.
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
    // Loads the library on first use; false with the failure in `status`.
    bool Load(Status& status);
    // The address of an export of the loaded library, found plain or as a
    // 32-bit stdcall name ("_name@bytes"); a failure to find the name comes
    // back in `status`.
    FARPROC Find(const char* name, int argumentBytes, Status& status);
    // The wide form of an export ("nameW"), taking UTF-16; null when the
    // library has only the narrow one.
    FARPROC FindWide(const char* name, int argumentBytes);

    std::string fileName_;
    OwnedLibrary library_;
};

} // namespace pocketry::platform::win32
