#include "app/SettingsApp_.h"

#include "app/App.h"

namespace pocketry::SettingsApp_ {

using namespace platform;

namespace {
void ReportFailure(App& app, const std::string& attempt, const Status& status) {
    app.api.ui.MsgBox("An error occurred attempting to " + attempt + ":" + kCrLf + kCrLf +
                          status.description,
                      MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND, kTitle);
}
} // namespace

std::string GetSettingApp(App& app, const std::string& Section, const std::string& Key,
                          const std::string& Default, bool Silent) {
    // Each call starts with a clean failure state of its own.
    std::string value;
    const Status status = app.api.settings.GetSetting(kTitle, Section, Key, Default, value);
    if (!status.ok()) {
        if (!Silent) {
            ReportFailure(app, "read a setting from the Windows Registry", status);
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
        ReportFailure(app, "save a setting to the Windows Registry", status);
    }
    return false;
}

} // namespace pocketry::SettingsApp_
