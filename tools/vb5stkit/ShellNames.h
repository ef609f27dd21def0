#pragma once
// vb5stkit.dll's naming rules, free of Windows headers so that they are tested
// natively: which group and link names are refused, which folder a group stands
// for, and where a shortcut's file lives. The library works in UTF-16 (its
// narrow functions convert from the ANSI code page first); the rules are the
// same for narrow text, where the tests write them most easily.

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace vb5stkit {

namespace detail {

template <typename C> constexpr C Lit(char c) {
    return static_cast<C>(c);
}

template <typename C> bool IsSeparator(C c) {
    return c == Lit<C>('\\') || c == Lit<C>('/');
}

template <typename C> std::size_t LastSeparator(std::basic_string_view<C> path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1]))
            return i - 1;
    }
    return std::basic_string_view<C>::npos;
}

template <typename C> bool IsAcceptableName(std::basic_string_view<C> name) {
    if (name.empty())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto u = static_cast<std::make_unsigned_t<C>>(name[i]);
        if (u == '.' && i + 1 < name.size() && name[i + 1] == Lit<C>('.'))
            return false;
        // Only ASCII is path syntax; a wide character is never narrowed to
        // one (U+FF3C is no "<", whatever its low byte).
        if (u < 0x20 || (u < 0x80 && std::string_view("\\/:*?\"<>|").find(static_cast<char>(u)) !=
                                         std::string_view::npos))
            return false;
    }
    return name.back() != Lit<C>('.') && name.back() != Lit<C>(' ');
}

template <typename C> std::basic_string_view<C> LastComponent(std::basic_string_view<C> path) {
    while (!path.empty() && IsSeparator(path.back()))
        path.remove_suffix(1);
    const auto slash = LastSeparator(path);
    return slash == std::basic_string_view<C>::npos ? path : path.substr(slash + 1);
}

template <typename C>
bool SameNameIgnoringCase(std::basic_string_view<C> a, std::basic_string_view<C> b) {
    if (a.size() != b.size())
        return false;
    const auto fold = [](C c) {
        return c >= Lit<C>('A') && c <= Lit<C>('Z') ? static_cast<C>(c + 32) : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

template <typename C>
std::basic_string<C> Join(std::basic_string_view<C> folder, std::basic_string_view<C> name) {
    std::basic_string<C> path(folder);
    if (!path.empty() && !IsSeparator(path.back()))
        path += Lit<C>('\\');
    path += name;
    return path;
}

template <typename C>
std::optional<std::basic_string<C>> GroupFolder(std::basic_string_view<C> group,
                                                std::basic_string_view<C> startup,
                                                std::basic_string_view<C> programs) {
    if (!IsAcceptableName(group))
        return std::nullopt;
    if (!startup.empty() && SameNameIgnoringCase(group, LastComponent(startup)))
        return std::basic_string<C>(startup);
    if (programs.empty())
        return std::nullopt;
    return Join(programs, group);
}

template <typename C> std::basic_string<C> TargetFolder(std::basic_string_view<C> target) {
    const auto slash = LastSeparator(target);
    if (slash == std::basic_string_view<C>::npos)
        return {};
    const std::basic_string_view<C> folder = target.substr(0, slash);
    if (folder.empty() || (folder.size() == 2 && folder[1] == Lit<C>(':')))
        return std::basic_string<C>(target.substr(0, slash + 1));
    return std::basic_string<C>(folder);
}

} // namespace detail

// A group or link name becomes exactly one component of a path. Refused: the
// empty name, anything that could climb out of the folder or name a drive or a
// stream, characters Windows does not allow in a file name, and a trailing dot
// or space, which Windows strips (the group " " would otherwise be the Programs
// folder itself, and "." the folder it is in). Characters beyond ASCII are
// ordinary characters of a name: a full-width "．．＼" is no path syntax.
inline bool IsAcceptableName(std::string_view name) {
    return detail::IsAcceptableName(name);
}
inline bool IsAcceptableName(std::wstring_view name) {
    return detail::IsAcceptableName(name);
}

// The last component of a folder's path, ignoring trailing separators:
// "C:\...\Start Menu\Programs\StartUp\" gives "StartUp".
inline std::string_view LastComponent(std::string_view path) {
    return detail::LastComponent(path);
}
inline std::wstring_view LastComponent(std::wstring_view path) {
    return detail::LastComponent(path);
}

// Folder names compare as the file system does, without regard to case. Only
// ASCII letters are folded: the program passes the very name it read from the
// StartUp folder's path, so a translated name matches exactly as given.
inline bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return detail::SameNameIgnoringCase(a, b);
}
inline bool SameNameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return detail::SameNameIgnoringCase(a, b);
}

// folder + "\" + name, without doubling a separator already there.
inline std::string Join(std::string_view folder, std::string_view name) {
    return detail::Join(folder, name);
}
inline std::wstring Join(std::wstring_view folder, std::wstring_view name) {
    return detail::Join(folder, name);
}

// The folder a group stands for: the user's StartUp folder when the group is
// that folder's own name, otherwise a folder of that name in the user's
// Programs folder. Nothing when the name is refused or the folder it needs is
// unknown (an empty path).
inline std::optional<std::string> GroupFolder(std::string_view group, std::string_view startup,
                                              std::string_view programs) {
    return detail::GroupFolder(group, startup, programs);
}
inline std::optional<std::wstring> GroupFolder(std::wstring_view group, std::wstring_view startup,
                                               std::wstring_view programs) {
    return detail::GroupFolder(group, startup, programs);
}

template <typename C> struct BasicLinkLocation {
    std::basic_string<C> folder; // the group's folder
    std::basic_string<C> file;   // folder\<link>.lnk
};
using LinkLocation = BasicLinkLocation<char>;
using WideLinkLocation = BasicLinkLocation<wchar_t>;

namespace detail {
template <typename C>
std::optional<BasicLinkLocation<C>>
LocateLink(std::basic_string_view<C> group, std::basic_string_view<C> link,
           std::basic_string_view<C> startup, std::basic_string_view<C> programs) {
    if (!IsAcceptableName(link))
        return std::nullopt;
    auto folder = GroupFolder(group, startup, programs);
    if (!folder)
        return std::nullopt;
    std::basic_string<C> name(link);
    for (const char c : std::string_view(".lnk"))
        name += Lit<C>(c);
    std::basic_string<C> file = Join<C>(*folder, name);
    return BasicLinkLocation<C>{std::move(*folder), std::move(file)};
}
} // namespace detail

inline std::optional<LinkLocation> LocateLink(std::string_view group, std::string_view link,
                                              std::string_view startup, std::string_view programs) {
    return detail::LocateLink(group, link, startup, programs);
}
inline std::optional<WideLinkLocation> LocateLink(std::wstring_view group, std::wstring_view link,
                                                  std::wstring_view startup,
                                                  std::wstring_view programs) {
    return detail::LocateLink(group, link, startup, programs);
}

// The folder a target lives in, used as the shortcut's working directory. A
// drive's root keeps its backslash ("C:\Pocketry.exe" gives "C:\"); a bare file
// name gives the empty string (no working directory is set).
inline std::string TargetFolder(std::string_view target) {
    return detail::TargetFolder(target);
}
inline std::wstring TargetFolder(std::wstring_view target) {
    return detail::TargetFolder(target);
}

} // namespace vb5stkit
