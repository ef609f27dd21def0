#include "app/SettingsApp_.h"

#include "app/App.h"

namespace pocketry::SettingsApp_ {

using namespace platform;

std::string GetSettingApp(App& app, const std::string& Section, const std::string& Key,
                          const std::string& Default, bool Silent) {
    // Each call starts with a clean failure state of its own.
    std::string value;
    const Status status = app.api.settings.GetSetting(kTitle, Section, Key, Default, value);
    if (!status.ok()) {
        if (!Silent) {
            app.api.ui.MsgBox("An error occurred attempting to read a setting "
                              "from the Windows Registry:" +
                                  kCrLf + kCrLf + status.description,
                              MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND, kTitle);
        }
        return Default;
    }
    return value;
}

bool SaveSettingApp(App& app, const std::string& Section, const std::string& Key,
                    const std::string& Value, bool Silent) {
    const Status status = app.api.settings.SaveSetting(kTitle, Section, Key, Value);
    if (status.ok()) {
        return true;
    }
    if (!Silent) {
        app.api.ui.MsgBox("An error occurred attempting to save a setting "
                          "to the Windows Registry:" +
                              kCrLf + kCrLf + status.description,
                          MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND, kTitle);
    }
    return false;
}

} // namespace pocketry::SettingsApp_
