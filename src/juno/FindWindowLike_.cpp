#include "juno/FindWindowLike_.h"

#include <cctype>

#include "app/App.h"

namespace pocketry::FindWindowLike_ {

using namespace platform;

namespace {

enum class ListMatch { Yes, No, Malformed };

// Matches one character against the bracket list starting after '[' at
// pattern[pos]; on return pos is past the closing ']'.
ListMatch MatchList(char c, const std::string& pattern, std::size_t& pos) {
    bool negate = false;
    if (pos < pattern.size() && pattern[pos] == '!') {
        negate = true;
        ++pos;
    }
    bool found = false;
    while (pos < pattern.size() && pattern[pos] != ']') {
        const char low = pattern[pos];
        if (pos + 2 < pattern.size() && pattern[pos + 1] == '-' && pattern[pos + 2] != ']') {
            const char high = pattern[pos + 2];
            if (static_cast<unsigned char>(high) < static_cast<unsigned char>(low)) {
                return ListMatch::Malformed;
            }
            found = found || (static_cast<unsigned char>(c) >= static_cast<unsigned char>(low) &&
                              static_cast<unsigned char>(c) <= static_cast<unsigned char>(high));
            pos += 3;
        } else {
            found = found || c == low;
            ++pos;
        }
    }
    if (pos >= pattern.size()) {
        return ListMatch::Malformed;
    }
    ++pos; // the ']'
    return found != negate ? ListMatch::Yes : ListMatch::No;
}

bool LikeFrom(const std::string& text, std::size_t t, const std::string& pattern, std::size_t p) {
    while (p < pattern.size()) {
        const char pc = pattern[p];
        if (pc == '*') {
            // A run of stars is one star; try every split of the rest.
            while (p < pattern.size() && pattern[p] == '*') {
                ++p;
            }
            if (p == pattern.size()) {
                return true;
            }
            for (std::size_t k = t; k <= text.size(); ++k) {
                if (LikeFrom(text, k, pattern, p)) {
                    return true;
                }
            }
            return false;
        }
        if (pc == '[') {
            std::size_t next = p + 1;
            if (next < pattern.size() && pattern[next] == ']') {
                p = next + 1; // "[]" stands for the empty text
                continue;
            }
            if (t >= text.size()) {
                return false;
            }
            if (MatchList(text[t], pattern, next) != ListMatch::Yes) {
                return false;
            }
            p = next;
            ++t;
            continue;
        }
        if (t >= text.size()) {
            return false;
        }
        const char tc = text[t];
        const bool ok = pc == '?' || (pc == '#' && std::isdigit(static_cast<unsigned char>(tc))) ||
                        (pc != '?' && pc != '#' && pc == tc);
        if (!ok) {
            return false;
        }
        ++p;
        ++t;
    }
    return t == text.size();
}

} // namespace

bool Like(const std::string& text, const std::string& pattern) {
    return LikeFrom(text, 0, pattern, 0);
}

std::int32_t FindWindowLike(App& app, const std::string& ClassPattern,
                            const std::string& TitlePattern, bool FirstOnly) {
    State& s = app.findWindowLike;
    s.FoundWindows.assign(1, FoundWindow{});
    s.ClassPattern = ClassPattern;
    s.TitlePattern = TitlePattern;
    app.api.windows.EnumWindows(&FindWindowLikeProc, FirstOnly ? -1 : 0);
    const auto upper = static_cast<std::int32_t>(s.FoundWindows.size() - 1);
    if (FirstOnly) {
        return upper == 1 ? static_cast<std::int32_t>(s.FoundWindows[1].hWnd) : 0;
    }
    return upper;
}

bool FindWindowLikeProc(Hwnd hWnd, std::intptr_t lParam) {
    App* app = App::Current();
    if (app == nullptr) {
        return false;
    }
    try {
        constexpr int kBuffer = 512;
        std::string className;
        std::string title;
        app->api.windows.GetClassNameA(hWnd, className, kBuffer);
        app->api.windows.GetWindowTextA(hWnd, title, kBuffer);
        State& s = app->findWindowLike;
        if (Like(className, s.ClassPattern) && Like(title, s.TitlePattern)) {
            s.FoundWindows.push_back({hWnd, title});
            return lParam == 0;
        }
        return true;
    } catch (...) {
        // Nothing may leave an enumeration callback; a failure ends the search.
        return false;
    }
}

} // namespace pocketry::FindWindowLike_
