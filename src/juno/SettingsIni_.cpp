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

std::string JunoRootDir(App& app) {
    return FileFolderExists_::TrimSpaces(
        GetSettingIni(app, "Juno.ini", "Configuration", "Root Dir", "", false));
}

} // namespace pocketry::SettingsIni_
