#include "juno/FindWindowLike_.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "app/App.h"

namespace pocketry::FindWindowLike_ {

using namespace platform;

namespace {

// One step of a pattern. Every step but a star matches exactly one character,
// which is what lets a star be matched by going back to the last star only.
struct Token {
    enum Kind { Star, Any, Digit, List, Literal } kind = Literal;
    char c = 0;                                                  // Literal
    bool negate = false;                                         // List
    std::vector<std::pair<unsigned char, unsigned char>> ranges; // List, single characters as c-c
};

// Splits a pattern into its steps; nothing for a malformed pattern (an
// unclosed bracket list or a range that runs backwards).
std::optional<std::vector<Token>> Tokens(const std::string& pattern) {
    std::vector<Token> tokens;
    std::size_t p = 0;
    while (p < pattern.size()) {
        const char pc = pattern[p];
        Token t;
        if (pc == '*') {
            while (p < pattern.size() && pattern[p] == '*') {
                ++p; // a run of stars is one star
            }
            t.kind = Token::Star;
            tokens.push_back(t);
            continue;
        }
        if (pc == '[') {
            std::size_t pos = p + 1;
            if (pos < pattern.size() && pattern[pos] == ']') {
                p = pos + 1; // "[]" stands for the empty text
                continue;
            }
            t.kind = Token::List;
            if (pos < pattern.size() && pattern[pos] == '!') {
                t.negate = true;
                ++pos;
            }
            while (pos < pattern.size() && pattern[pos] != ']') {
                const auto low = static_cast<unsigned char>(pattern[pos]);
                if (pos + 2 < pattern.size() && pattern[pos + 1] == '-' &&
                    pattern[pos + 2] != ']') {
                    const auto high = static_cast<unsigned char>(pattern[pos + 2]);
                    if (high < low) {
                        return std::nullopt;
                    }
                    t.ranges.emplace_back(low, high);
                    pos += 3;
                } else {
                    t.ranges.emplace_back(low, low);
                    ++pos;
                }
            }
            if (pos >= pattern.size()) {
                return std::nullopt;
            }
            p = pos + 1; // past the ']'
            tokens.push_back(std::move(t));
            continue;
        }
        t.kind = pc == '?' ? Token::Any : pc == '#' ? Token::Digit : Token::Literal;
        t.c = pc;
        tokens.push_back(t);
        ++p;
    }
    return tokens;
}

bool Matches(const Token& t, char c) {
    const auto u = static_cast<unsigned char>(c);
    switch (t.kind) {
    case Token::Any:
        return true;
    case Token::Digit:
        return std::isdigit(u) != 0;
    case Token::List: {
        bool found = false;
        for (const auto& [low, high] : t.ranges) {
            found = found || (u >= low && u <= high);
        }
        return found != t.negate;
    }
    case Token::Literal:
        return c == t.c;
    case Token::Star:
        break;
    }
    return false;
}

} // namespace

bool Like(const std::string& text, const std::string& pattern) {
    const auto tokens = Tokens(pattern);
    if (!tokens) {
        return false;
    }
    // Greedy with one way back: on a mismatch, let the last star take one
    // more character and retry from just after it. At most text x pattern steps.
    const std::vector<Token>& tk = *tokens;
    std::size_t t = 0, p = 0;
    std::optional<std::size_t> star;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < tk.size() && tk[p].kind == Token::Star) {
            star = p++;
            starText = t;
        } else if (p < tk.size() && Matches(tk[p], text[t])) {
            ++p;
            ++t;
        } else if (star) {
            p = *star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < tk.size() && tk[p].kind == Token::Star) {
        ++p;
    }
    return p == tk.size();
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

namespace {
// One text of a window, as many characters as the call reports; a call that
// fails (or throws) gives no characters and the search goes on.
template <class Read> std::string ReadText(Read&& read) {
    std::string text;
    try {
        const int count = read(text);
        text.resize(count > 0 ? std::min(static_cast<std::size_t>(count), text.size()) : 0);
    } catch (...) {
        text.clear();
    }
    return text;
}
} // namespace

bool FindWindowLikeProc(Hwnd hWnd, std::intptr_t lParam) {
    App* app = App::Current();
    if (app == nullptr) {
        return false;
    }
    constexpr int kBuffer = 512;
    Windows& w = app->api.windows;
    const std::string className =
        ReadText([&](std::string& text) { return w.GetClassNameA(hWnd, text, kBuffer); });
    const std::string title =
        ReadText([&](std::string& text) { return w.GetWindowTextA(hWnd, text, kBuffer); });
    try {
        State& s = app->findWindowLike;
        if (Like(className, s.ClassPattern) && Like(title, s.TitlePattern)) {
            s.FoundWindows.push_back({hWnd, title});
            return lParam == 0;
        }
    } catch (...) {
        // Nothing may leave an enumeration callback; this window is passed over.
    }
    return true;
}

} // namespace pocketry::FindWindowLike_
