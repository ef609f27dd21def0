#pragma once
// Searching the top-level windows by class and title patterns.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pocketry {
class App;

namespace FindWindowLike_ {

struct FoundWindow {
    platform::Hwnd hWnd = 0;
    std::string Title;
};

// The module's state, replaced by every search.
struct State {
    std::string ClassPattern;
    std::string TitlePattern;
    std::vector<FoundWindow> FoundWindows{FoundWindow{}}; // entry 0 is a placeholder
};

// The whole text against a pattern, case-sensitively: "*" any run, "?" any
// one character, "#" one digit, "[a-z]" / "[!a-z]" one character in or not
// in the list. A malformed pattern matches nothing.
bool Like(const std::string& text, const std::string& pattern);

// FirstOnly: the first matching handle or 0. Otherwise the number of
// matches, which then stand in FoundWindows from entry 1 on.
std::int32_t FindWindowLike(App& app, const std::string& ClassPattern,
                            const std::string& TitlePattern, bool FirstOnly);

bool FindWindowLikeProc(platform::Hwnd hWnd, std::intptr_t lParam);

} // namespace FindWindowLike_
} // namespace pocketry
