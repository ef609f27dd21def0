// Two tray commands that act on the desktop: start the screen saver now and
// empty the clipboard.

#include "app/App.h"
#include "app/MainForm.h"

namespace pocketry {

using namespace platform;

void MainForm::MenuTray_ScreenSaver_Click() {
    Windows& w = app_.api.windows;
    // The changes are broadcast but never written to the user's profile.
    w.SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0xFFFFFFFFu, nullptr, SPIF_SENDWININICHANGE);
    std::uint32_t savedTimeout = 0;
    if (!w.SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &savedTimeout, 0)) {
        // Without the user's time-out there is nothing safe to put back, so
        // it is left alone rather than shortened.
        return;
    }
    w.SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, 1, nullptr, SPIF_SENDWININICHANGE);
    app_.api.kernel.Sleep(3000); // more than one idle second starts the screen saver
    w.SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, savedTimeout, nullptr, SPIF_SENDWININICHANGE);
}

void MainForm::MenuTray_ClearClipboard_Click() {
    const Status status = app_.api.clipboard.EmptyClipboard();
    if (!status.ok()) {
        app_.api.ui.MsgBox("An error occurred attempting to "
                           "clear the Windows Clipboard:" +
                               kCrLf + kCrLf + status.description,
                           MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND, kTitle);
    }
}

} // namespace pocketry
