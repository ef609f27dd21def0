#include "tray/FileInfoFunctions_.h"

#include <cstring>
#include <vector>

#include "app/App.h"

namespace pocketry::FileInfoFunctions_ {

using namespace platform;

bool OpenFileOrAddress(App& app, std::string Target, bool Minimized, bool Quiet) {
    const Hwnd parent = app.api.windows.GetDesktopWindow();
    const int showCmd = Minimized ? SW_SHOWMINNOACTIVE : SW_SHOWDEFAULT;
    const std::intptr_t code = app.api.shell.ShellExecuteA(parent, "", Target, "", "", showCmd);
    if (code == 31) { // SE_ERR_NOASSOC
        if (!Quiet) {
            app.api.ui.MsgBox("There is no association configured for opening the '" + Target +
                                  "' file or address.",
                              MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL | MB_SETFOREGROUND,
                              kTitle);
        }
        return false;
    }
    if (code > 32) {
        return true;
    }
    if (!Quiet) {
        app.api.ui.MsgBox("An error occurred attempting to open the '" + Target +
                              "' file or address (ShellExecute API code " + std::to_string(code) +
                              ").",
                          MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND, kTitle);
    }
    return false;
}

std::string GetFileVersion(App& app, std::string FileName) {
    if (FileName.find_first_not_of(' ') == std::string::npos) {
        return "";
    }
    const std::uint32_t size = app.api.kernel.GetFileVersionInfoSizeA(FileName);
    if (size < 1) {
        return "Unknown";
    }
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> root;
    VsFixedFileInfo info;
    // A block without fixed information says no more than a missing one.
    if (!app.api.kernel.GetFileVersionInfoA(FileName, 0, size, block) ||
        !app.api.kernel.VerQueryValueA(block, "\\", root) || root.size() < sizeof(info)) {
        return "Unknown";
    }
    std::memcpy(&info, root.data(), sizeof(info));
    return std::to_string(info.dwFileVersionMS >> 16) + "." +
           std::to_string(info.dwFileVersionMS & 0xFFFF) + "." +
           std::to_string(info.dwFileVersionLS >> 16) + "." +
           std::to_string(info.dwFileVersionLS & 0xFFFF);
}

} // namespace pocketry::FileInfoFunctions_
