// Running and closing the Juno client. Until these are built, the commands
// leave Juno as it is.

#include "app/App.h"
#include "app/MainForm.h"

namespace pocketry {

void MainForm::RunJuno(std::int32_t TimeoutSeconds) {
    (void)TimeoutSeconds;
}

void MainForm::CloseJuno(std::int32_t TimeoutSeconds) {
    (void)TimeoutSeconds;
}

void MainForm::MenuTrayJuno_RunClose_Click() {}

} // namespace pocketry
