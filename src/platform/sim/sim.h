#pragma once
// The simulated desktop: every platform service in memory, deterministic, on
// a virtual clock. Tests build one SimDesktop per case, hand `api()` to the
// program, script the world (windows, files, settings, actors, answers to
// message boxes) and read back what the program did.
//
// Each service is a class of its own, as on Windows (sim_clock.h,
// sim_settings.h, sim_windows.h, sim_kernel.h, sim_shell.h, sim_clipboard.h,
// sim_ui.h with sim_form.h); the desktop is made of them, so their scripting
// calls are the desktop's, and they reach one another through it.
//
// Failures. Program handlers and scripted callbacks that throw, names of
// controls or menu items that a form does not have and answers that a
// message box cannot give are written to Errors(); a test fixture should
// expect it to be empty at the end of every case.
#include "platform/sim/sim_clipboard.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_form.h"
#include "platform/sim/sim_kernel.h"
#include "platform/sim/sim_settings.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_types.h"
#include "platform/sim/sim_ui.h"
#include "platform/sim/sim_windows.h"

namespace pocketry::sim {

class SimDesktop : public SimErrors,
                   public SimClock,
                   public SimSettingsStore,
                   public SimSingleInstance,
                   public SimWindows,
                   public SimKernel,
                   public SimShellLinkLibrary,
                   public SimShell,
                   public SimClipboard,
                   public SimUserInterface {
  public:
    SimDesktop();
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    platform::Platform& api() { return api_; }

  private:
    platform::Platform api_;
};

template <class F> void SimForm::Fire(const char* what, F&& f) {
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    ++fireDepth_;
    desk.Guard(spec_.name + "." + what, std::forward<F>(f));
    if (!desk.FormAlive(id))
        return; // the handler's own code let the form go
    if (--fireDepth_ == 0 && focusHidden_)
        KeepFocusVisible();
}

} // namespace pocketry::sim
