#pragma once
// Reading and writing one setting of the program in the settings store,
// with the program title as the application name.

#include <string>

namespace pocketry {
class App;

namespace SettingsApp_ {

// The stored text, or `Default` when it is missing or cannot be read; unless
// `Silent`, a read failure is reported.
std::string GetSettingApp(App& app, const std::string& Section, const std::string& Key,
                          const std::string& Default, bool Silent);

// True when the value was written; unless `Silent`, a failure is reported.
bool SaveSettingApp(App& app, const std::string& Section, const std::string& Key,
                    const std::string& Value, bool Silent);

} // namespace SettingsApp_
} // namespace pocketry
