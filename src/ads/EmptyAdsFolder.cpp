// Emptying the Juno ads folder. Until it is built, the folder is left alone.

#include "app/App.h"
#include "app/MainForm.h"

namespace pocketry {

void MainForm::EmptyAdsFolder(bool ShowResult) {
    (void)ShowResult;
}

void MainForm::MenuTray_EmptyAds_Click() {}

} // namespace pocketry
