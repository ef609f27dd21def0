#pragma once
// Small text helpers of the simulation. Case is folded for ASCII letters
// only, which is all the simulated names use.
#include <algorithm>
#include <string>

namespace pocketry::sim {

inline char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), LowerChar);
    return s;
}

inline std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), UpperChar);
    return s;
}

inline bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && Lower(a) == Lower(b);
}

// "*" any run, "?" any one character; case ignored. "*.*" matches every
// name, also one without a dot, as on Windows.
inline bool WildcardMatch(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*")
        return true;
    const std::string p = Lower(pattern), n = Lower(name);
    std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi, ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

inline bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

} // namespace pocketry::sim
