#pragma once
// vb5stkit.dll's naming rules, free of Windows headers so that they are tested
// natively: which group and link names are refused, which folder a group stands
// for, and where a shortcut's file lives. Paths are ANSI strings as the library
// receives them.

#include <optional>
#include <string>
#include <string_view>

namespace vb5stkit {

// A group or link name becomes exactly one component of a path. Refused: the
// empty name, anything that could climb out of the folder or name a drive or a
// stream, characters Windows does not allow in a file name, and a trailing dot
// or space, which Windows strips (the group " " would otherwise be the Programs
// folder itself, and "." the folder it is in).
inline bool IsAcceptableName(std::string_view name) {
    if (name.empty() || name.find("..") != std::string_view::npos)
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return false;
    }
    return name.back() != '.' && name.back() != ' ';
}

// The last component of a folder's path, ignoring trailing separators:
// "C:\...\Start Menu\Programs\StartUp\" gives "StartUp".
inline std::string_view LastComponent(std::string_view path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.remove_suffix(1);
    const auto slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Folder names compare as the file system does, without regard to case. Only
// ASCII letters are folded: the program passes the very name it read from the
// StartUp folder's path, so a translated name matches exactly as given.
inline bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

// folder + "\" + name, without doubling a separator already there.
inline std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/')
        path += '\\';
    path += name;
    return path;
}

// The folder a group stands for: the user's StartUp folder when the group is
// that folder's own name, otherwise a folder of that name in the user's
// Programs folder. Nothing when the name is refused or the folder it needs is
// unknown (an empty path).
inline std::optional<std::string> GroupFolder(std::string_view group, std::string_view startup,
                                              std::string_view programs) {
    if (!IsAcceptableName(group))
        return std::nullopt;
    if (!startup.empty() && SameNameIgnoringCase(group, LastComponent(startup)))
        return std::string(startup);
    if (programs.empty())
        return std::nullopt;
    return Join(programs, group);
}

struct LinkLocation {
    std::string folder; // the group's folder
    std::string file;   // folder\<link>.lnk
};

inline std::optional<LinkLocation> LocateLink(std::string_view group, std::string_view link,
                                              std::string_view startup, std::string_view programs) {
    if (!IsAcceptableName(link))
        return std::nullopt;
    auto folder = GroupFolder(group, startup, programs);
    if (!folder)
        return std::nullopt;
    std::string file = Join(*folder, std::string(link) + ".lnk");
    return LinkLocation{std::move(*folder), std::move(file)};
}

// The folder a target lives in, used as the shortcut's working directory. A
// drive's root keeps its backslash ("C:\Pocketry.exe" gives "C:\"); a bare file
// name gives the empty string (no working directory is set).
inline std::string TargetFolder(std::string_view target) {
    const auto slash = target.find_last_of("\\/");
    if (slash == std::string_view::npos)
        return {};
    const std::string_view folder = target.substr(0, slash);
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':'))
        return std::string(target.substr(0, slash + 1));
    return std::string(folder);
}

} // namespace vb5stkit
