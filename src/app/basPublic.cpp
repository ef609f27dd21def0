#include "app/basPublic.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

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

// Whole numbers of any size, for exact decimal-to-binary conversion: 32-bit
// limbs, least significant first, no leading zero limb.
using Big = std::vector<std::uint32_t>;

void Trim(Big& a) {
    while (!a.empty() && a.back() == 0) {
        a.pop_back();
    }
}

void MultiplyAdd(Big& a, std::uint32_t factor, std::uint32_t add) {
    std::uint64_t carry = add;
    for (std::uint32_t& limb : a) {
        carry += std::uint64_t{limb} * factor;
        limb = static_cast<std::uint32_t>(carry);
        carry >>= 32;
    }
    if (carry != 0) {
        a.push_back(static_cast<std::uint32_t>(carry));
    }
}

Big Shifted(const Big& a, std::size_t bits) {
    if (a.empty()) {
        return a;
    }
    Big out(bits / 32, 0);
    const unsigned shift = bits % 32;
    std::uint32_t carry = 0;
    for (const std::uint32_t limb : a) {
        out.push_back(limb << shift | carry);
        carry = shift == 0 ? 0 : limb >> (32 - shift);
    }
    out.push_back(carry);
    Trim(out);
    return out;
}

std::size_t BitLength(const Big& a) {
    return a.empty() ? 0 : a.size() * 32 - static_cast<std::size_t>(std::countl_zero(a.back()));
}

int Compare(const Big& a, const Big& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    return 0;
}

void Subtract(Big& a, const Big& b) { // a >= b
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::int64_t d = std::int64_t{a[i]} - borrow - (i < b.size() ? std::int64_t{b[i]} : 0);
        borrow = d < 0 ? 1 : 0;
        a[i] = static_cast<std::uint32_t>(d + (borrow << 32));
    }
    Trim(a);
}

// The double nearest to digits x 10^exponent (digits: a nonzero whole number
// written out), halves to the even neighbour, as from_chars rounds; nothing
// when that is zero or beyond the largest double (from_chars' out-of-range).
// Written out rather than taken from from_chars, whose fast paths and tables
// make it the largest single piece of the Windows program.
std::optional<double> NearestDouble(std::string digits, std::int64_t exponent) {
    // Beyond 800 digits only whether more nonzero digits follow can matter:
    // no halfway point between two doubles needs more.
    if (digits.size() > 800) {
        exponent += static_cast<std::int64_t>(digits.size()) - 801;
        digits.resize(800);
        digits += '1';
    }
    const std::int64_t magnitude = exponent + static_cast<std::int64_t>(digits.size());
    if (magnitude > 310 || magnitude < -324) { // above 1e310 or below 1e-325
        return std::nullopt;
    }
    Big num;
    Big den{1};
    for (const char c : digits) {
        MultiplyAdd(num, 10, static_cast<std::uint32_t>(c - '0'));
    }
    for (std::int64_t i = 0; i < exponent; ++i) {
        MultiplyAdd(num, 10, 0);
    }
    for (std::int64_t i = 0; i > exponent; --i) {
        MultiplyAdd(den, 10, 0);
    }
    // value = num / den = quotient x 2^binary with 2^52 <= quotient < 2^53,
    // except below the normal range, where the quotient has fewer bits.
    std::int64_t binary =
        static_cast<std::int64_t>(BitLength(num)) - static_cast<std::int64_t>(BitLength(den)) - 53;
    binary = std::max<std::int64_t>(binary, -1074);
    Big a = Shifted(num, static_cast<std::size_t>(std::max<std::int64_t>(-binary, 0)));
    Big b = Shifted(den, static_cast<std::size_t>(std::max<std::int64_t>(binary, 0)));
    if (Compare(a, Shifted(b, 53)) >= 0) { // the estimate was one bit short
        ++binary;
        if (binary <= 0) {
            a = Shifted(num, static_cast<std::size_t>(-binary));
        } else {
            b = Shifted(b, 1);
        }
    }
    std::uint64_t quotient = 0;
    for (int bit = 53; bit >= 0; --bit) {
        const Big part = Shifted(b, static_cast<std::size_t>(bit));
        if (Compare(a, part) >= 0) {
            Subtract(a, part);
            quotient |= std::uint64_t{1} << bit;
        }
    }
    const int half = Compare(Shifted(a, 1), b);
    if (half > 0 || (half == 0 && (quotient & 1) != 0)) {
        ++quotient;
    }
    if (quotient == std::uint64_t{1} << 53) {
        quotient >>= 1;
        ++binary;
    }
    if (quotient == 0 || binary + 53 > 1024) {
        return std::nullopt;
    }
    return std::ldexp(static_cast<double>(quotient), static_cast<int>(binary));
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
    std::string significant;
    std::int64_t exponent = 0;
    bool point = false;
    for (i = t[0] == '+' || t[0] == '-' ? 1 : 0; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
        if (t[i] == '.') {
            point = true;
            continue;
        }
        if (!significant.empty() || t[i] != '0') { // leading zeros dropped
            significant += t[i];
        }
        exponent -= point ? 1 : 0;
    }
    if (i < t.size()) {
        const bool negative = t[++i] == '-';
        if (t[i] == '+' || t[i] == '-') {
            ++i;
        }
        std::int64_t written = 0;
        for (; i < t.size(); ++i) { // capped, already far beyond any double
            written = std::min<std::int64_t>(written * 10 + (t[i] - '0'), 1'000'000'000);
        }
        exponent += negative ? -written : written;
    }
    while (!significant.empty() && significant.back() == '0') {
        significant.pop_back();
        ++exponent;
    }
    const double sign = t[0] == '-' ? -1.0 : 1.0;
    if (significant.empty()) {
        return sign * 0.0;
    }
    const auto value = NearestDouble(std::move(significant), exponent);
    if (!value) {
        return std::nullopt;
    }
    return sign * *value;
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
