// Opening the options dialog from the main window and the tray.

#include "app/App.h"
#include "app/MainForm.h"
#include "options/frmOptions.h"

namespace pocketry {

void MainForm::cmdSetup_Click() {
    // The main window's button and the tray both reach this; a second modal
    // loop over the open dialog would be a trap.
    if (options_ != nullptr) {
        if (options_->Loaded()) {
            app_.api.windows.SetForegroundWindow(options_->form().hWnd());
        }
        return;
    }
    frmOptions dialog(app_);
    options_ = &dialog;
    dialog.Load();
    dialog.form().ShowModal();
    options_ = nullptr;
}

} // namespace pocketry
