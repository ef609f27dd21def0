// Emptying the Juno ads folder: every file at every depth, then the
// sub-folders, once the folder is proven to be Juno's and Juno is not running.

#include "ads/FileFolderExists_.h"
#include "ads/FileFolderFunctions_.h"
#include "app/App.h"
#include "app/MainForm.h"
#include "juno/SettingsIni_.h"

namespace pocketry {

using namespace platform;
using FileFolderExists_::FileExists;
using FileFolderExists_::FolderExists;
using FileFolderExists_::JoinFolder;

void MainForm::EmptyAdsFolder(bool ShowResult) {
    // Juno locks up when its ads go while it runs.
    if (FindJunoWindow() != 0) {
        return;
    }
    UserInterface& ui = app_.api.ui;
    const std::string root = SettingsIni_::JunoRootDir(app_);
    if (root.empty()) {
        ui.MsgBox("The Juno folder expected "
                  "does not appear to be installed on your system.",
                  kWarningStyle, kTitle);
        return;
    }
    if (!FolderExists(app_, root)) {
        ui.MsgBox("The Juno folder '" + root + "' specified in the Juno.ini file does not exist.",
                  kWarningStyle, kTitle);
        return;
    }
    const std::string ads = JoinFolder(root, "ads");
    if (!FolderExists(app_, ads)) {
        ui.MsgBox("The Juno ads folder '" + ads + "' expected does not exist.", kWarningStyle,
                  kTitle);
        return;
    }
    // Only a folder beside Juno's program file is Juno's: an edited Juno.ini
    // must not turn this against another folder.
    if (!FileExists(app_, JoinFolder(root, "bin\\juno.exe"))) {
        ui.MsgBox("It could not be confirmed that the '" + ads +
                      "' folder is really the Juno ads folder.  Perhaps the Juno.ini "
                      "file was mischievously edited.",
                  kWarningStyle, kTitle);
        return;
    }

    // From here on a failure is passed over and the next step runs.
    ui.SetMousePointer(kPointerHourglass);
    Kernel& kernel = app_.api.kernel;
    const std::int32_t files = FileFolderFunctions_::GetFiles(app_, ads, "*.*", true, false);
    for (std::int32_t i = 1; i <= files; ++i) {
        const std::string& file = app_.listing.FoundFiles[static_cast<std::size_t>(i)];
        kernel.SetFileAttributesA(file, 0);
        kernel.DeleteFileA(file);
    }
    const std::int32_t folders = FileFolderFunctions_::GetSubFolders(app_, ads);
    for (std::int32_t i = 1; i <= folders; ++i) {
        kernel.RemoveDirectoryA(app_.listing.FoundFolders[static_cast<std::size_t>(i)]);
    }
    ui.SetMousePointer(kPointerDefault);

    if (ShowResult) {
        ui.MsgBox("Empty Juno Ads Folder:  Processed " + std::to_string(files) + " ad files in " +
                      std::to_string(folders) + " ad folders.",
                  kNoticeStyle, kTitle);
    }
}

void MainForm::MenuTray_EmptyAds_Click() {
    if (app_.api.ui.MsgBox("Are you sure you want to empty the Juno ads folder?", kAskNoStyle,
                           kTitle) != IDNO) {
        EmptyAdsFolder(true);
    }
}

} // namespace pocketry
