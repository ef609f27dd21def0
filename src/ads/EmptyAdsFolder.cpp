// Emptying the Juno ads folder: every file at every depth, then the
// sub-folders, once the folder is proven to be Juno's and Juno is not running.
// On today's Windows the folder must also be the folder itself, never a link
// to another, every change stays inside it, and a legacy Juno's VirtualStore
// copy of it is emptied too.

#include <memory>
#include <vector>

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

namespace {

bool IsAdsName(const std::string& name) {
    return name.size() == 3 && (name[0] | 0x20) == 'a' && (name[1] | 0x20) == 'd' &&
           (name[2] | 0x20) == 's';
}

// The ads folder of `root`, held open for the run, when it is that folder
// itself and not a link to another: opened without following links it is no
// reparse point (a link as Windows shows it) and its final path is the final
// path of root (links followed) + "\ads" (Wine opens a Unix link as its
// target, which lies elsewhere). Null otherwise.
std::unique_ptr<FolderHandle> OpenAdsFolder(Kernel& kernel, const std::string& root) {
    const std::unique_ptr<FolderHandle> rootFolder = kernel.OpenFolder(root, true);
    std::unique_ptr<FolderHandle> ads = kernel.OpenFolder(JoinFolder(root, "ads"), false);
    if (!rootFolder || !ads || (ads->Attributes() & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return nullptr;
    }
    const std::string within = JoinFolder(rootFolder->FinalPath(), "");
    const std::string& where = ads->FinalPath();
    if (where.size() != within.size() + 3 || where.compare(0, within.size(), within) != 0 ||
        !IsAdsName(where.substr(within.size()))) {
        return nullptr;
    }
    return ads;
}

struct AdsPlace {
    std::string root, ads;
};

} // namespace

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
    auto notConfirmed = [&](const std::string& folder) {
        ui.MsgBox("It could not be confirmed that the '" + folder +
                      "' folder is really the Juno ads folder.  Perhaps the Juno.ini "
                      "file was mischievously edited.",
                  kWarningStyle, kTitle);
    };
    // Only a folder beside Juno's program file is Juno's: an edited Juno.ini
    // must not turn this against another folder.
    if (!FileExists(app_, JoinFolder(root, "bin\\juno.exe"))) {
        notConfirmed(ads);
        return;
    }
    // Juno's ads folder and, where Windows redirects a legacy Juno's writes,
    // its VirtualStore copy (the program file was looked for under the real root).
    Kernel& kernel = app_.api.kernel;
    std::vector<AdsPlace> places{{root, ads}};
    if (const std::unique_ptr<FolderHandle> real = kernel.OpenFolder(root, true)) {
        const std::string virtualRoot = kernel.VirtualStorePath(real->FinalPath());
        if (!virtualRoot.empty() && FolderExists(app_, JoinFolder(virtualRoot, "ads"))) {
            places.push_back({virtualRoot, JoinFolder(virtualRoot, "ads")});
        }
    }
    // Each must be the folder itself, not a link to another; every change is
    // then confined to the folder as it was confirmed, whatever a name holds
    // or whatever changes meanwhile.
    std::vector<std::unique_ptr<FolderHandle>> held;
    for (const AdsPlace& place : places) {
        held.push_back(OpenAdsFolder(kernel, place.root));
        if (!held.back()) {
            notConfirmed(place.ads);
            return;
        }
    }

    // From here on a failure is passed over and the next step runs.
    ui.SetMousePointer(kPointerHourglass);
    std::int32_t files = 0, folders = 0;
    for (std::size_t place = 0; place < places.size(); ++place) {
        const std::string& folder = places[place].ads;
        const FolderHandle& inside = *held[place];
        const std::int32_t found = FileFolderFunctions_::GetFiles(app_, folder, "*.*", true, false);
        for (std::int32_t i = 1; i <= found; ++i) {
            const std::string& file = app_.listing.FoundFiles[static_cast<std::size_t>(i)];
            kernel.SetFileAttributesA(inside, file, 0);
            kernel.DeleteFileA(inside, file);
        }
        const std::int32_t subFolders = FileFolderFunctions_::GetSubFolders(app_, folder);
        for (std::int32_t i = 1; i <= subFolders; ++i) {
            kernel.RemoveDirectoryA(inside, app_.listing.FoundFolders[static_cast<std::size_t>(i)]);
        }
        files += found;
        folders += subFolders;
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
