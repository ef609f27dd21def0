#pragma once
// Listing a folder's files and sub-folders into the two program-wide lists.

#include <cstdint>
#include <string>
#include <vector>

namespace pocketry {
class App;

namespace FileFolderFunctions_ {

// The two lists, shared by the whole program; entry 0 of each holds what
// the last listing started from.
struct State {
    std::vector<std::string> FoundFiles{std::string()};
    std::vector<std::string> FoundFolders{std::string()};
};

// Each loads the listing form, lists, and drops the form again.
std::int32_t GetFiles(App& app, const std::string& Path, const std::string& FileSpec, bool SubsToo,
                      bool CheckOnly);
std::int32_t GetSubFolders(App& app, const std::string& Path);

} // namespace FileFolderFunctions_
} // namespace pocketry
