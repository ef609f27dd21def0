// Opening the options dialog. Until the dialog is built, the command does nothing.

#include "app/App.h"
#include "app/MainForm.h"

namespace pocketry {

void MainForm::cmdSetup_Click() {}

} // namespace pocketry
