// The simulated file system and the kernel calls on it: Windows path rules,
// attributes, 8.3 names, links, finding, directory listings and changes
// confined to a folder.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/sim/sim_kernel.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_util.h"

namespace pocketry::sim {

using namespace platform;

namespace {

constexpr std::uint32_t kFileAttributeMask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
}

bool IsValid83(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || !IsAscii(name))
        return false;
    if (name.find_first_of(" \"*+,/:;<=>?[\\]|") != std::string::npos)
        return false;
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos)
        return name.size() <= 8;
    return name.find('.', dot + 1) == std::string::npos && dot >= 1 && dot <= 8 &&
           name.size() - dot - 1 <= 3;
}

// A character beyond ASCII (a UTF-8 sequence) becomes one "_", as a
// character the OEM code page lacks does.
std::string ShortChars(const std::string& s, std::size_t max) {
    std::string out;
    for (char c : s) {
        if (out.size() >= max || (c & 0xC0) == 0x80)
            continue;
        if ((c & 0x80) != 0)
            out += '_';
        else if (c != ' ' && c != '.' && std::strchr("\"*+,/:;<=>?[\\]|", c) == nullptr)
            out += UpperChar(c);
    }
    return out;
}

class SimFolderHandle final : public FolderHandle {
  public:
    SimFolderHandle(std::uint32_t attributes, std::string finalPath)
        : attributes_(attributes), finalPath_(std::move(finalPath)) {}
    std::uint32_t Attributes() const override { return attributes_; }
    const std::string& FinalPath() const override { return finalPath_; }

  private:
    std::uint32_t attributes_;
    std::string finalPath_;
};

// How many links a path may pass through before it counts as a loop.
constexpr int kMaxLinkDepth = 16;

class SimFindHandle final : public FindHandle {
  public:
    explicit SimFindHandle(FindData d) : data_(std::move(d)) {}
    const FindData& Data() const override { return data_; }

  private:
    FindData data_;
};

} // namespace

// ------------------------------------------------------------------ tree

std::optional<SimKernel::Resolved> SimKernel::Resolve(const std::string& path,
                                                      bool followLast) const {
    return ResolveFrom(path, followLast, 0);
}

std::optional<SimKernel::Resolved> SimKernel::ResolveFrom(const std::string& path, bool followLast,
                                                          int depth) const {
    auto parts = SplitPath(path);
    if (!parts || depth > kMaxLinkDepth)
        return std::nullopt;
    auto drive = drives_.find((*parts)[0][0]);
    if (drive == drives_.end())
        return std::nullopt;
    Resolved r{drive->second.get(), nullptr, (*parts)[0], (*parts)[0], (*parts)[0]};
    for (std::size_t i = 1; i < parts->size(); ++i) {
        const std::string& want = (*parts)[i];
        FsNode* next = nullptr;
        auto it = r.node->children.find(Lower(want));
        if (it != r.node->children.end())
            next = it->second.get();
        for (auto& [key, child] : r.node->children)
            if (next == nullptr && !child->shortName.empty() && EqualNoCase(child->shortName, want))
                next = child.get();
        if (next == nullptr || (i + 1 < parts->size() && !next->IsDirectory()))
            return std::nullopt;
        r.longPath += "\\" + next->name;
        r.shortPath += "\\" + (next->shortName.empty() ? next->name : next->shortName);
        if (!next->linkTarget.empty() && (i + 1 < parts->size() || followLast)) {
            auto target = ResolveFrom(next->linkTarget, true, depth + 1);
            if (!target)
                return std::nullopt; // a dangling link or a loop
            r.node = target->node;
            r.parent = target->parent;
            r.finalPath = target->finalPath;
        } else {
            r.parent = r.node;
            r.node = next;
            r.finalPath += "\\" + next->name;
        }
    }
    if (parts->size() == 1) {
        r.longPath += "\\";
        r.shortPath += "\\";
        r.finalPath += "\\";
    }
    return r;
}

SimKernel::FsNode* SimKernel::MakeNode(const std::string& path, bool directory,
                                       std::uint32_t attributes) {
    auto parts = SplitPath(path);
    if (!parts || parts->size() < 2) {
        errors_.AddError("not a full path below a drive: " + path);
        return nullptr;
    }
    auto& root = drives_[(*parts)[0][0]];
    if (!root) {
        root = std::make_unique<FsNode>();
        root->name = (*parts)[0];
        root->attributes = FILE_ATTRIBUTE_DIRECTORY;
    }
    FsNode* node = root.get();
    for (std::size_t i = 1; i < parts->size(); ++i) {
        const bool last = i + 1 == parts->size();
        const std::string& name = (*parts)[i];
        if (auto link = node->children.find(Lower(name));
            !last && link != node->children.end() && !link->second->linkTarget.empty()) {
            // Planted through a link: it lands where the link leads.
            std::string rest = link->second->linkTarget;
            for (std::size_t j = i + 1; j < parts->size(); ++j)
                rest += "\\" + (*parts)[j];
            return MakeNode(rest, directory, attributes);
        }
        auto& slot = node->children[Lower(name)];
        if (!slot) {
            slot = std::make_unique<FsNode>();
            slot->name = name;
            slot->attributes = FILE_ATTRIBUTE_DIRECTORY;
            if (!IsValid83(name)) {
                // NAME~N.EXT, unique in its folder.
                const std::size_t dot = name.rfind('.');
                const std::string ext =
                    dot == std::string::npos ? "" : ShortChars(name.substr(dot + 1), 3);
                std::string base = ShortChars(name.substr(0, dot), 6);
                if (base.empty())
                    base.assign(1, '_'); // not = "_": GCC 12 misreads that as an overlapping copy
                for (int n = 1;; ++n) {
                    std::string candidate =
                        base + "~" + std::to_string(n) + (ext.empty() ? "" : "." + ext);
                    const bool taken = std::any_of(
                        node->children.begin(), node->children.end(), [&](const auto& c) {
                            return c.second && (EqualNoCase(c.second->shortName, candidate) ||
                                                EqualNoCase(c.second->name, candidate));
                        });
                    if (!taken) {
                        slot->shortName = candidate;
                        break;
                    }
                }
            }
        } else if (slot->IsDirectory() != (directory || !last)) {
            errors_.AddError("a file and a folder cannot share the path " + path);
            return nullptr;
        }
        node = slot.get();
    }
    node->attributes =
        (attributes & ~FILE_ATTRIBUTE_DIRECTORY) | (directory ? FILE_ATTRIBUTE_DIRECTORY : 0u);
    return node;
}

void SimKernel::AddFile(const std::string& path, std::uint32_t attributes) {
    MakeNode(path, false, attributes);
}

void SimKernel::AddDirectory(const std::string& path, std::uint32_t attributes) {
    MakeNode(path, true, attributes);
}

void SimKernel::AddDirectoryLink(const std::string& path, const std::string& target) {
    if (FsNode* node = MakeNode(path, true, FILE_ATTRIBUTE_REPARSE_POINT))
        node->linkTarget = target;
}

void SimKernel::RemoveTree(const std::string& path) {
    if (auto r = Resolve(path); r && r->parent != nullptr)
        r->parent->children.erase(Lower(r->node->name));
    else
        errors_.AddError("RemoveTree: no such file or folder: " + path);
}

bool SimKernel::Exists(const std::string& path) const {
    return Resolve(path).has_value();
}

std::optional<std::uint32_t> SimKernel::Attributes(const std::string& path) const {
    auto r = Resolve(path);
    if (!r)
        return std::nullopt;
    return r->node->attributes;
}

std::vector<std::string> SimKernel::Children(const std::string& folder) const {
    std::vector<std::string> out;
    if (auto r = Resolve(folder, true))
        for (const auto& [key, child] : r->node->children)
            out.push_back(child->name);
    return out;
}

void SimKernel::SetShortName(const std::string& path, const std::string& shortName) {
    if (auto r = Resolve(path); r && r->parent != nullptr)
        r->node->shortName = shortName;
    else
        errors_.AddError("SetShortName: no such file or folder: " + path);
}

void SimKernel::SetInUse(const std::string& path, bool inUse) {
    if (auto r = Resolve(path))
        r->node->inUse = inUse;
    else
        errors_.AddError("SetInUse: no such file or folder: " + path);
}

void SimKernel::SetVersionInfo(const std::string& path, std::optional<VsFixedFileInfo> fixed) {
    if (!Exists(path))
        AddFile(path);
    if (auto r = Resolve(path))
        r->node->version = FsNode::Version{fixed};
}

void SimKernel::SetAppFolder(const std::string& path) {
    appFolder_ = path;
    if (path.size() > 3) // a drive's root is always there
        AddDirectory(path);
    AddFile(GetModuleFileNameA());
}

// ------------------------------------------------------------------ finding

std::vector<FindData> SimKernel::Matches(const std::string& spec) const {
    std::vector<FindData> out;
    if (spec.empty() || IsSeparator(spec.back()))
        return out; // "C:\dir\" names nothing, as on Windows
    const std::size_t sep = spec.find_last_of("\\/");
    const std::string last = sep == std::string::npos ? spec : spec.substr(sep + 1);
    auto report = [](const FsNode& n, std::string name) {
        return FindData{n.attributes == 0 ? FILE_ATTRIBUTE_NORMAL : n.attributes, std::move(name)};
    };
    if (!HasWildcard(last)) {
        if (auto r = Resolve(spec); r && r->parent != nullptr)
            out.push_back(report(*r->node, r->node->name));
        return out;
    }
    if (sep == std::string::npos)
        return out;
    auto folder = Resolve(spec.substr(0, sep + 1), true);
    if (!folder || !folder->node->IsDirectory())
        return out;
    if (folder->parent != nullptr) {
        // A folder below a root lists itself and its parent first.
        for (const char* dot : {".", ".."})
            if (WildcardMatch(last, dot))
                out.push_back({FILE_ATTRIBUTE_DIRECTORY, dot});
    }
    for (const auto& [key, child] : folder->node->children)
        if (WildcardMatch(last, child->name))
            out.push_back(report(*child, child->name));
    return out;
}

std::unique_ptr<FindHandle> SimKernel::FindFirstFileA(const std::string& fileName) {
    auto found = Matches(fileName);
    if (found.empty())
        return nullptr;
    return std::make_unique<SimFindHandle>(found.front());
}

std::uint32_t SimKernel::GetShortPathNameA(const std::string& longPath, std::string& shortPath,
                                           std::uint32_t size) {
    auto r = Resolve(longPath);
    if (!r)
        return 0;
    std::string out = r->shortPath;
    if (r->parent != nullptr && !longPath.empty() && IsSeparator(longPath.back()))
        out += "\\";
    const auto length = static_cast<std::uint32_t>(out.size());
    if (size <= length)
        return length + 1; // the buffer needed, terminator included
    shortPath = out;
    return length;
}

std::vector<std::string> SimKernel::ListBoxDir(std::uint32_t attributes,
                                               const std::string& fileSpec) {
    // The mask is the list box's 16-bit value; callers may pass it widened.
    const std::uint32_t mask = attributes & 0xFFFFu;
    std::vector<std::string> out;
    for (const FindData& d : Matches(fileSpec)) {
        if (d.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if ((mask & DDL_DIRECTORY) && d.fileName != ".")
                out.push_back("[" + d.fileName + "]");
            continue;
        }
        const std::uint32_t a = d.attributes & kFileAttributeMask;
        if (mask & DDL_EXCLUSIVE) {
            // Only files with one of the asked attributes; none asked, none.
            if ((a & mask & kFileAttributeMask) == 0)
                continue;
        } else if (((a & FILE_ATTRIBUTE_HIDDEN) && !(mask & DDL_HIDDEN)) ||
                   ((a & FILE_ATTRIBUTE_SYSTEM) && !(mask & DDL_SYSTEM))) {
            continue;
        }
        out.push_back(d.fileName);
    }
    // The list box's order: files first, then the bracketed folders, each
    // without regard to case.
    std::stable_sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
        const bool folderA = a.starts_with("["), folderB = b.starts_with("[");
        if (folderA != folderB)
            return folderB;
        return Lower(a) < Lower(b);
    });
    if (alterListings_)
        out = alterListings_(attributes, fileSpec, std::move(out));
    return out;
}

// ------------------------------------------------------------------ changes

std::unique_ptr<FolderHandle> SimKernel::OpenFolder(const std::string& path, bool followLinks) {
    auto r = Resolve(path, followLinks || linksOpenAsTargets_);
    if (!r)
        return nullptr;
    return std::make_unique<SimFolderHandle>(r->node->attributes, r->finalPath);
}

std::optional<SimKernel::Resolved>
SimKernel::OpenInside(const char* function, const FolderHandle& inside, const std::string& path) {
    if (beforeFileOp_)
        beforeFileOp_(function, path);
    auto r = Resolve(path, linksOpenAsTargets_);
    std::string folder = inside.FinalPath();
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    if (r && r->parent != nullptr && r->finalPath.size() > folder.size() &&
        r->finalPath.compare(0, folder.size(), folder) == 0)
        return r;
    return std::nullopt;
}

bool SimKernel::SetFileAttributesA(const FolderHandle& inside, const std::string& fileName,
                                   std::uint32_t attributes) {
    auto r = OpenInside("SetFileAttributesA", inside, fileName);
    // A file held without delete sharing cannot be opened for deletion.
    const bool ok = r && !r->node->inUse;
    if (ok) {
        // The directory and link bits are not the caller's to change.
        r->node->attributes =
            (attributes & kFileAttributeMask) |
            (r->node->attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    }
    fileOps_.push_back({"SetFileAttributesA", fileName, attributes, ok});
    return ok;
}

bool SimKernel::DeleteFileA(const FolderHandle& inside, const std::string& fileName) {
    auto r = OpenInside("DeleteFileA", inside, fileName);
    const bool ok = r && !r->node->IsDirectory() &&
                    !(r->node->attributes & FILE_ATTRIBUTE_READONLY) && !r->node->inUse;
    if (ok)
        r->parent->children.erase(Lower(r->node->name));
    fileOps_.push_back({"DeleteFileA", fileName, 0, ok});
    return ok;
}

bool SimKernel::RemoveDirectoryA(const FolderHandle& inside, const std::string& path) {
    auto r = OpenInside("RemoveDirectoryA", inside, path);
    // A link is never removed: on Wine that would remove what it leads to.
    const bool ok =
        r && r->node->IsDirectory() &&
        !(r->node->attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        !r->node->inUse && r->node->children.empty();
    if (ok)
        r->parent->children.erase(Lower(r->node->name));
    fileOps_.push_back({"RemoveDirectoryA", path, 0, ok});
    return ok;
}

std::string SimKernel::VirtualStorePath(const std::string& path) {
    for (const std::string& base :
         {windowsFolder_, std::string("C:\\Program Files"), std::string("C:\\Program Files (x86)"),
          std::string("C:\\ProgramData")}) {
        if (path.size() > base.size() + 1 && EqualNoCase(path.substr(0, base.size()), base) &&
            path[base.size()] == '\\')
            return VirtualStoreFolder() + path.substr(2);
    }
    return {};
}

} // namespace pocketry::sim
