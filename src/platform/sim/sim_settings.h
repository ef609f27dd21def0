#pragma once
// The simulated settings store (application names, sections and keys ignore
// case) and the single-instance claim.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimSettingsStore : public platform::SettingsStore {
  public:
    void SetSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& value);
    std::optional<std::string> Setting(const std::string& app, const std::string& section,
                                       const std::string& key) const;
    // Reads (writes) of `key`, or of every key when it is empty, fail with
    // `status` until called again with Status::Ok().
    void FailSettingReads(Status status, const std::string& key = "");
    void FailSettingWrites(Status status, const std::string& key = "");
    const std::vector<SettingOp>& SettingsLog() const { return settingsLog_; }
    void ClearSettingsLog() { settingsLog_.clear(); }

    // ---- platform::SettingsStore
    Status GetSetting(const std::string& appName, const std::string& section,
                      const std::string& key, const std::string& defaultValue,
                      std::string& value) override;
    Status SaveSetting(const std::string& appName, const std::string& section,
                       const std::string& key, const std::string& value) override;

  private:
    std::map<std::string, std::string> settings_; // "app\section\key" lower-case
    std::optional<std::pair<Status, std::string>> failRead_, failWrite_;
    std::vector<SettingOp> settingsLog_;
};

class SimSingleInstance : public platform::SingleInstance {
  public:
    void ClaimInstance(const std::string& name) { claimed_.insert(name); } // another process
    bool InstanceClaimed(const std::string& name) const { return claimed_.count(name) != 0; }

    // ---- platform::SingleInstance
    bool AnotherInstanceRunning(const std::string& name) override {
        return !claimed_.insert(name).second;
    }

  private:
    std::set<std::string> claimed_;
};

} // namespace pocketry::sim
