#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

// Text values, one per key, in the key
//   HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>
// where classic Windows programs keep their per-user settings, so an earlier
// version's settings read as they are.
class SettingsStore final : public platform::SettingsStore {
  public:
    Status GetSetting(const std::string& appName, const std::string& section,
                      const std::string& key, const std::string& defaultValue,
                      std::string& value) override;
    Status SaveSetting(const std::string& appName, const std::string& section,
                       const std::string& key, const std::string& value) override;

    static std::string KeyPath(const std::string& appName, const std::string& section);
};

} // namespace pocketry::platform::win32
