#pragma once
// The whole settings record against the store, and the text forms of its values.

#include <cstdint>
#include <optional>
#include <string>

namespace pocketry {
class App;

namespace basPublic {

inline const std::string kSettingsSection = "Settings";

// "True"/"False" in any letter case, or a decimal number ("1", "0.5", "-1.0"):
// any value but zero is true.
std::optional<bool> ParseTruth(const std::string& text);
// A decimal number rounded to a whole one (halves to even: "2.5" gives 2,
// "3.5" gives 4) that lies within [min, max]; spaces around it allowed.
std::optional<std::int32_t> ParseWhole(const std::string& text, std::int32_t min, std::int32_t max);
std::string TruthText(bool value);

// Reads every option into AppSettings, silently; a missing, unreadable or
// unconvertible value takes its default.
void LoadSettings(App& app);
// Writes every option but "Options Tab"; each failure is reported.
void SaveSettings(App& app);

} // namespace basPublic
} // namespace pocketry
