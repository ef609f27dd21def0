#include "options/CreateStartupLink_.h"

#include "ads/FileFolderExists_.h"
#include "app/App.h"

namespace pocketry::CreateStartupLink_ {

using namespace platform;

namespace {

std::string GroupName(App& app, Hwnd hWndOwner) {
    const std::string name = GetSpecialFolder(app, hWndOwner, CSIDL_STARTUP);
    return name.empty() ? "StartUp" : name;
}

// The folder the program runs from, joined with its file name, as ".exe".
std::string TargetPath(App& app) {
    const std::string path = app.api.kernel.GetModuleFileNameA();
    const std::size_t slash = path.find_last_of('\\');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (const std::size_t dot = name.find_last_of('.'); dot != std::string::npos) {
        name.resize(dot);
    }
    return FileFolderExists_::JoinFolder(folder, name + ".exe");
}

// One library call's outcome: a call that failed is told with its own number
// and description, a zero result with `failed`.
bool Succeeded(App& app, const Status& status, std::int32_t result, std::uint32_t failed,
               bool creating) {
    if (!status.ok()) {
        StartupLinkError(app, status.number, status.description, creating);
        return false;
    }
    if (result == 0) {
        StartupLinkError(app, failed, "", creating);
        return false;
    }
    return true;
}

} // namespace

std::string GetSpecialFolder(App& app, Hwnd hWndOwner, int Folder) {
    Shell& shell = app.api.shell;
    if (shell.SHGetSpecialFolderLocation(hWndOwner, Folder) != 0) {
        return {};
    }
    std::string path;
    if (!shell.SHGetPathFromIDList(hWndOwner, Folder, path)) {
        return {};
    }
    path = path.substr(0, path.find('\0'));
    if (path.empty()) {
        return {};
    }
    if (path.back() != '\\') {
        path += '\\';
    }
    const std::size_t last = path.size() - 1;
    const std::size_t before = path.find_last_of('\\', last - 1);
    const std::size_t start = before == std::string::npos ? 0 : before + 1;
    return path.substr(start, last - start);
}

bool CreateStartupLink(App& app, Hwnd hWndOwner) {
    ShellLinkLibrary& links = app.api.shellLinks;
    const std::string group = GroupName(app, hWndOwner);
    std::int32_t result = 0;
    Status status = links.fCreateShellFolder(group, result);
    if (!Succeeded(app, status, result, kGroupFailed, true)) {
        return false;
    }
    status = links.fCreateShellLink(group, kTitle, TargetPath(app), "", result);
    return Succeeded(app, status, result, kLinkFailed, true);
}

bool RemoveStartupLink(App& app, Hwnd hWndOwner) {
    const std::string group = GroupName(app, hWndOwner);
    std::int32_t result = 0;
    const Status status = app.api.shellLinks.fRemoveShellLink(group, kTitle, result);
    return Succeeded(app, status, result, kLinkFailed, false);
}

void StartupLinkError(App& app, std::uint32_t Number, const std::string& Description,
                      bool creating) {
    const std::string verb = creating ? "create" : "remove";
    const std::string preposition = creating ? "in" : "from";
    std::string text;
    if (Number == kLinkFailed) {
        text = "An error occurred attempting to " + verb + " the " + kTitle + " shortcut " +
               preposition + " the StartUp program group.";
    } else if (Number == kGroupFailed) {
        text = "An error occurred attempting to create the "
               "StartUp program group.";
    } else {
        text = "An error occurred attempting to " + verb + " the " + kTitle + " shortcut:" + kCrLf +
               kCrLf + Description + kCrLf + kCrLf +
               "The probable cause of this error is the Vb5stkit.dll support "
               "file does not exist in the Windows System folder.";
    }
    app.api.ui.MsgBox(text, kWarningStyle, kTitle);
}

} // namespace pocketry::CreateStartupLink_
