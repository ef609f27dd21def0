// The simulated settings store.
#include "platform/sim/sim_settings.h"

#include "platform/sim/sim_util.h"

namespace pocketry::sim {

namespace {
std::string SettingKey(const std::string& app, const std::string& section, const std::string& key) {
    return Lower(app) + "\\" + Lower(section) + "\\" + Lower(key);
}
bool FailureApplies(const std::optional<std::pair<Status, std::string>>& f,
                    const std::string& key) {
    return f && (f->second.empty() || EqualNoCase(f->second, key));
}
} // namespace

void SimSettingsStore::SetSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& value) {
    settings_[SettingKey(app, section, key)] = value;
}

std::optional<std::string> SimSettingsStore::Setting(const std::string& app,
                                                     const std::string& section,
                                                     const std::string& key) const {
    auto it = settings_.find(SettingKey(app, section, key));
    if (it == settings_.end())
        return std::nullopt;
    return it->second;
}

void SimSettingsStore::FailSettingReads(Status status, const std::string& key) {
    failRead_.reset();
    if (!status.ok())
        failRead_.emplace(std::move(status), key);
}

void SimSettingsStore::FailSettingWrites(Status status, const std::string& key) {
    failWrite_.reset();
    if (!status.ok())
        failWrite_.emplace(std::move(status), key);
}

Status SimSettingsStore::GetSetting(const std::string& appName, const std::string& section,
                                    const std::string& key, const std::string& defaultValue,
                                    std::string& value) {
    Status status;
    value = defaultValue;
    if (FailureApplies(failRead_, key))
        status = failRead_->first;
    else if (auto v = Setting(appName, section, key))
        value = *v;
    settingsLog_.push_back({false, appName, section, key, value, status});
    return status;
}

Status SimSettingsStore::SaveSetting(const std::string& appName, const std::string& section,
                                     const std::string& key, const std::string& value) {
    Status status;
    if (FailureApplies(failWrite_, key))
        status = failWrite_->first;
    else
        SetSetting(appName, section, key, value);
    settingsLog_.push_back({true, appName, section, key, value, status});
    return status;
}

} // namespace pocketry::sim
