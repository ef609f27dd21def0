#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

// A named mutex in the session's namespace whose name carries the program's
// name and the user's security identifier: one instance per user and session.
// The mutex stays open for the life of this object (the process's life).
class SingleInstance final : public platform::SingleInstance {
  public:
    bool AnotherInstanceRunning(const std::string& name) override;

    // The kernel object name used for `name` by the current user.
    static std::string MutexName(const std::string& name);

  private:
    std::string claimed_;
    OwnedHandle mutex_;
};

} // namespace pocketry::platform::win32
