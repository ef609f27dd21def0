#include "app/basPublic.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "app/App.h"
#include "app/SettingsApp_.h"

namespace pocketry::basPublic {

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

double RoundHalfEven(double value) {
    const double down = std::floor(value);
    const double fraction = value - down;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(down, 2.0) != 0)) {
        return down + 1;
    }
    return down;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A decimal number: optional sign, digits with an optional fraction, an
// optional exponent; spaces around it allowed. Nothing else (no "inf", no hex).
std::optional<double> ParseDecimal(const std::string& text) {
    const std::string t = Trimmed(text);
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) != 0) {
            ++i;
        }
        return i - from;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return std::nullopt;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            return std::nullopt;
        }
    }
    if (i != t.size()) {
        return std::nullopt;
    }
    // from_chars takes no leading '+'; it reads the C locale's '.' whatever the user's locale.
    const std::size_t from = t.front() == '+' ? 1 : 0;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(t.data() + from, t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool ReadTruth(App& app, const std::string& key, bool fallback) {
    const std::string text =
        SettingsApp_::GetSettingApp(app, kSettingsSection, key, TruthText(fallback), true);
    return ParseTruth(text).value_or(fallback);
}

template <typename Int> Int ReadWhole(App& app, const std::string& key, Int fallback) {
    const std::string text =
        SettingsApp_::GetSettingApp(app, kSettingsSection, key, std::to_string(fallback), true);
    const auto value =
        ParseWhole(text, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max());
    return value ? static_cast<Int>(*value) : fallback;
}

void Save(App& app, const std::string& key, const std::string& value) {
    SettingsApp_::SaveSettingApp(app, kSettingsSection, key, value, false);
}

} // namespace

std::optional<bool> ParseTruth(const std::string& text) {
    const std::string word = Lower(Trimmed(text));
    if (word == "true") {
        return true;
    }
    if (word == "false") {
        return false;
    }
    if (const auto number = ParseDecimal(word)) {
        return *number != 0; // "0.5" is true, "0.0" and "-0" false
    }
    return std::nullopt;
}

std::optional<std::int32_t> ParseWhole(const std::string& text, std::int32_t min,
                                       std::int32_t max) {
    const auto number = ParseDecimal(text);
    if (!number) {
        return std::nullopt;
    }
    // Halves go to the even neighbour, as a Basic integer conversion rounds;
    // the range is that of the rounded value (32767.5 gives 32768: too large).
    const double rounded = RoundHalfEven(*number);
    if (rounded < min || rounded > max) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

std::string TruthText(bool value) {
    return value ? "True" : "False";
}

void LoadSettings(App& app) {
    const AppSettingsRecord defaults;
    AppSettingsRecord& s = app.AppSettings;
    s.OptionsTab = ReadWhole(app, "Options Tab", defaults.OptionsTab);
    s.RunJunoAtStart = ReadTruth(app, "Run Juno", defaults.RunJunoAtStart);
    s.CloseJunoAtExit = ReadTruth(app, "Close Juno", defaults.CloseJunoAtExit);
    s.CloseJunoAsk = ReadTruth(app, "Close Juno Ask", defaults.CloseJunoAsk);
    s.EmptyAdsAtExit = ReadTruth(app, "Empty Ads App", defaults.EmptyAdsAtExit);
    s.EmptyAdsWhenJunoEnds = ReadTruth(app, "Empty Ads Juno", defaults.EmptyAdsWhenJunoEnds);
    s.ExitWhenJunoEnds = ReadTruth(app, "Exit No Juno", defaults.ExitWhenJunoEnds);
    s.TrayLeftCommand = ReadWhole(app, "Tray Left", defaults.TrayLeftCommand);
    s.TrayDoubleClick = ReadTruth(app, "Tray Double", defaults.TrayDoubleClick);
    s.CheckInterval = ReadWhole(app, "Check Interval", defaults.CheckInterval);
}

void SaveSettings(App& app) {
    // Every key is attempted and reports its own failure.
    const AppSettingsRecord& s = app.AppSettings;
    Save(app, "Run Juno", TruthText(s.RunJunoAtStart));
    Save(app, "Close Juno", TruthText(s.CloseJunoAtExit));
    Save(app, "Close Juno Ask", TruthText(s.CloseJunoAsk));
    Save(app, "Empty Ads App", TruthText(s.EmptyAdsAtExit));
    Save(app, "Empty Ads Juno", TruthText(s.EmptyAdsWhenJunoEnds));
    Save(app, "Exit No Juno", TruthText(s.ExitWhenJunoEnds));
    Save(app, "Tray Left", std::to_string(s.TrayLeftCommand));
    Save(app, "Tray Double", TruthText(s.TrayDoubleClick));
    Save(app, "Check Interval", std::to_string(s.CheckInterval));
}

} // namespace pocketry::basPublic
