#include "app/Main.h"

#include "app/App.h"
#include "app/MainForm.h"

namespace pocketry {

void Main(platform::Platform& api) {
    // One instance per user: a second start ends silently.
    if (api.instance.AnotherInstanceRunning("Pocketry.TrayCompanion.7F3A21C4")) {
        return;
    }
    App app(api, BuildVersion());
    MainForm mainForm(app);
    app.mainForm = &mainForm;
    mainForm.Load();
    api.ui.RunMessageLoop();
    app.mainForm = nullptr;
}

} // namespace pocketry
