#include "juno/SettingsIni_.h"

#include "ads/FileFolderExists_.h"
#include "app/App.h"

namespace pocketry::SettingsIni_ {

using namespace platform;

std::string GetSettingIni(App& app, const std::string& FileName, const std::string& Section,
                          const std::string& Key, const std::string& Default, bool Silent) {
    constexpr std::uint32_t kBufferSize = 512;
    std::string value;
    const std::int32_t count = app.api.kernel.GetPrivateProfileStringA(Section, Key, Default, value,
                                                                       kBufferSize, FileName);
    if (count < 0) {
        if (!Silent) {
            app.api.ui.MsgBox("An error occurred attempting to read "
                              "a setting from the '" +
                                  FileName + "' file.",
                              MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND, kTitle);
        }
        return Default;
    }
    return value.substr(0, static_cast<std::size_t>(count));
}

std::string JunoIniFile(App& app) {
    const std::string real =
        FileFolderExists_::JoinFolder(app.api.kernel.GetWindowsDirectoryA(), "Juno.ini");
    const std::string copy = app.api.kernel.VirtualStorePath(real);
    return !copy.empty() && FileFolderExists_::FileExists(app, copy) ? copy : "Juno.ini";
}

std::string JunoRootDir(App& app) {
    return FileFolderExists_::TrimSpaces(
        GetSettingIni(app, JunoIniFile(app), "Configuration", "Root Dir", "", false));
}

} // namespace pocketry::SettingsIni_
