#pragma once
// The hidden listing form: its list box is filled by the list box's own
// directory fill, and FolderDepth counts the nesting of sub-folder listings.
// One is made for every listing and dropped right after it, so each listing
// starts with a fresh depth and an empty list.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pocketry {
class App;

class FFF {
  public:
    explicit FFF(App& app) : app_(app) {}

    // Files of Path (and, with SubsToo, of every sub-folder) matching the
    // patterns of FileSpec, joined by ";". The number found; with CheckOnly
    // -1 at the first file found and 0 when there is none, FoundFiles untouched.
    std::int32_t GFF_Proc(std::string Path, const std::string& FileSpec, bool SubsToo,
                          bool CheckOnly);
    // Every sub-folder of Path at every depth into FoundFolders; the number found.
    std::int32_t GSF_Proc(std::string Path);

    std::vector<std::string> List; // the list box's entries
    std::int32_t FolderDepth = 0;

  private:
    // Clears the list and fills it for `spec` with the attribute mask.
    void FillList(std::uint32_t attributes, const std::string& spec);
    // The short (8.3) form of a folder, or nothing when it cannot be had.
    std::optional<std::string> ShortForm(const std::string& folder);
    bool IsDirectoryLink(const std::string& path);

    App& app_;
};

} // namespace pocketry
