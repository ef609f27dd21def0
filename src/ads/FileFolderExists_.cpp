#include "ads/FileFolderExists_.h"

#include "app/App.h"

namespace pocketry::FileFolderExists_ {

std::string TrimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string JoinFolder(const std::string& Folder, const std::string& Name) {
    if (!Folder.empty() && Folder.back() == '\\') {
        return Folder + Name;
    }
    return Folder + "\\" + Name;
}

bool FileExists(App& app, const std::string& Path) {
    if (TrimSpaces(Path).empty()) {
        return false;
    }
    // The handle is closed as it goes out of scope.
    return app.api.kernel.FindFirstFileA(Path) != nullptr;
}

bool FolderExists(App& app, std::string Path) {
    if (TrimSpaces(Path).empty()) {
        return false;
    }
    if (Path.back() == '\\') {
        Path.pop_back();
    }
    return FileExists(app, Path);
}

} // namespace pocketry::FileFolderExists_
