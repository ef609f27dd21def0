#include "ads/FFF.h"

#include "ads/FileFolderExists_.h"
#include "app/App.h"

namespace pocketry {

namespace {

constexpr std::uint32_t kShortBufferSize = 512;
// The longest path the file calls take, terminating zero included, in UTF-16
// code units (see PathLength).
constexpr std::size_t kMaxPath = 260;
constexpr std::uint32_t DDL_READWRITE = 0x0;
// DDL_EXCLUSIVE | DDL_DIRECTORY, as the 16-bit value widened with its sign.
constexpr std::uint32_t kSubFoldersOnly = 0xFFFF8010u;

// A path's length as the Windows calls count it: UTF-16 code units of its
// UTF-8 text (a character beyond U+FFFF takes two).
std::size_t PathLength(const std::string& path) {
    std::size_t units = 0;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

// A directory fill must give single names. One with path syntax ("\", "/",
// ":"), or "." or "..", would lead out of the folder once joined to it (an
// ANSI listing gives a full-width "．．＼" as "..\"), so it is passed over:
// neither listed nor counted.
bool IsSingleName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string::npos;
}

std::string WithBackslash(const std::string& folder) {
    return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

// The patterns of a spec joined by ";", in order; an empty piece is an empty pattern.
std::vector<std::string> SplitPatterns(std::string spec) {
    std::vector<std::string> patterns;
    spec += ";";
    for (std::size_t semi = spec.find(';'); semi != std::string::npos; semi = spec.find(';')) {
        patterns.push_back(spec.substr(0, semi));
        spec.erase(0, semi + 1);
    }
    return patterns;
}

} // namespace

void FFF::FillList(std::uint32_t attributes, const std::string& spec) {
    List.clear();
    List = app_.api.kernel.ListBoxDir(attributes, spec);
}

std::optional<std::string> FFF::ShortForm(const std::string& folder) {
    std::string shortForm;
    const std::uint32_t length =
        app_.api.kernel.GetShortPathNameA(folder, shortForm, kShortBufferSize);
    // Without it the listing would name another folder (an empty text lists
    // the current one), so such a folder is skipped.
    if (length == 0 || length >= kShortBufferSize || shortForm.empty()) {
        return std::nullopt;
    }
    shortForm.resize(length);
    return shortForm;
}

bool FFF::IsDirectoryLink(const std::string& path) {
    const auto found = app_.api.kernel.FindFirstFileA(path);
    return found != nullptr &&
           (found->Data().attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::int32_t FFF::GFF_Proc(std::string Path, const std::string& FileSpec, bool SubsToo,
                           bool CheckOnly) {
    std::vector<std::string>& FoundFiles = app_.listing.FoundFiles;
    if (!CheckOnly) {
        FoundFiles.assign(1, FileFolderExists_::JoinFolder(Path, FileSpec));
    }
    if (!FileFolderExists_::FolderExists(app_, Path)) {
        return 0;
    }
    const std::vector<std::string> patterns = SplitPatterns(FileSpec);
    std::vector<std::string> folders{Path};
    if (SubsToo) {
        GSF_Proc(Path);
        folders = app_.listing.FoundFolders;
    }
    for (const std::string& folder : folders) {
        const std::string dir = WithBackslash(folder);
        const std::optional<std::string> shortDir = ShortForm(dir);
        if (!shortDir) {
            continue;
        }
        for (const std::string& pattern : patterns) {
            const std::string spec = *shortDir + pattern;
            if (PathLength(spec) >= kMaxPath) {
                continue; // longer than the calls take: skipped, never cut
            }
            FillList(DDL_READWRITE, spec);
            for (const std::string& entry : List) {
                if (!IsSingleName(entry)) {
                    continue;
                }
                if (PathLength(dir + entry) >= kMaxPath) {
                    continue; // the file calls could not reach it
                }
                if (CheckOnly) {
                    return -1;
                }
                FoundFiles.push_back(dir + entry);
            }
        }
    }
    return CheckOnly ? 0 : static_cast<std::int32_t>(FoundFiles.size() - 1);
}

std::int32_t FFF::GSF_Proc(std::string Path) {
    std::vector<std::string>& FoundFolders = app_.listing.FoundFolders;
    if (FolderDepth == 0) {
        FoundFolders.assign(1, Path);
        if (!FileFolderExists_::FolderExists(app_, Path)) {
            return 0;
        }
    }
    ++FolderDepth;
    const std::string dir = WithBackslash(Path);
    std::vector<std::string> names;
    if (const std::optional<std::string> shortDir = ShortForm(dir);
        shortDir && PathLength(*shortDir) + 3 < kMaxPath) {
        FillList(kSubFoldersOnly, *shortDir + "*.*");
        for (const std::string& entry : List) {
            // "[name]"; "[..]" and "[.]" are no sub-folders.
            if (entry.size() < 2 || entry.front() != '[' || entry.back() != ']') {
                continue;
            }
            const std::string name = entry.substr(1, entry.size() - 2);
            if (!IsSingleName(name)) {
                continue;
            }
            if (PathLength(dir + name) >= kMaxPath) {
                continue; // the file calls could not reach it
            }
            // A directory link leads out of the folder: neither listed nor
            // followed, so nothing behind it is ever deleted.
            if (IsDirectoryLink(dir + name)) {
                continue;
            }
            FoundFolders.push_back(dir + name);
            names.push_back(name);
        }
    }
    // Only now: each nested call refills the list.
    for (const std::string& name : names) {
        GSF_Proc(FileFolderExists_::JoinFolder(Path, name));
    }
    --FolderDepth;
    return FolderDepth == 0 ? static_cast<std::int32_t>(FoundFolders.size() - 1) : 0;
}

} // namespace pocketry
