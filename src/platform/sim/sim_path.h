#pragma once
// Windows path rules of the simulated file system.
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_util.h"

namespace pocketry::sim {

inline bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// "C:\a\..\b/c" → {"C:", "b", "c"}; nothing for relative or UNC paths.
inline std::optional<std::vector<std::string>> SplitPath(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
        return std::nullopt;
    if (path.size() > 2 && !IsSeparator(path[2]))
        return std::nullopt; // "C:name" is relative to a current folder
    std::vector<std::string> parts{Upper(path.substr(0, 2))};
    std::string part;
    for (std::size_t i = 2; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) {
            part += path[i];
            continue;
        }
        if (part == "..") {
            if (parts.size() > 1)
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    return parts;
}

inline std::string Join(const std::vector<std::string>& parts) {
    std::string out = parts.front() + "\\";
    for (std::size_t i = 1; i < parts.size(); ++i)
        out += (i > 1 ? "\\" : "") + parts[i];
    return out;
}

inline bool HasFolder(const std::string& name) {
    return name.find_first_of("\\/:") != std::string::npos;
}

} // namespace pocketry::sim
