#include "ads/FileFolderFunctions_.h"

#include "ads/FFF.h"

namespace pocketry::FileFolderFunctions_ {

std::int32_t GetFiles(App& app, const std::string& Path, const std::string& FileSpec, bool SubsToo,
                      bool CheckOnly) {
    FFF form(app);
    return form.GFF_Proc(Path, FileSpec, SubsToo, CheckOnly);
}

std::int32_t GetSubFolders(App& app, const std::string& Path) {
    FFF form(app);
    return form.GSF_Proc(Path);
}

} // namespace pocketry::FileFolderFunctions_
