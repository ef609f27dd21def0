#pragma once
// A scripted Juno mail client on the simulated desktop: installed under a
// root folder named by Juno.ini, started through its program file, shows an
// optional welcome dialog and then its main window, opens always-on-top mail
// transfer dialogs, and answers a close request with "Confirm Permanent
// Delete", exiting once "&Yes" (or "&No") is pressed with the space key.
// Create it after the SimDesktop it lives on.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim.h"

namespace pocketry::sim {

struct JunoScript {
    std::string root = "C:\\Juno";
    std::uint32_t startDelayMs = 2000;  // started → first window
    std::uint32_t welcomeMs = 0;        // > 0: the welcome dialog stands this long first
    bool confirmOnClose = true;         // a close request asks "Confirm Permanent Delete"
    std::uint32_t confirmDelayMs = 500; // close request → the question
    std::uint32_t exitDelayMs = 0;      // answered (or asked to close unconfirmed) → gone
};

class SimJuno {
  public:
    static constexpr std::uint32_t kProcessId = 3000, kThreadId = 3004;
    static constexpr const char* kMainClass = "JunoMainWndXQW21";

    explicit SimJuno(SimDesktop& desk, JunoScript script = {});
    ~SimJuno();
    SimJuno(const SimJuno&) = delete;
    SimJuno& operator=(const SimJuno&) = delete;

    JunoScript& Script() { return script_; }
    std::string ProgramPath() const; // root\bin\juno.exe
    // Juno.ini's Root Dir, bin\juno.exe, the ads folder, and the program
    // registered so that starting it starts this client.
    void Install();
    // Started (by the program or the user): windows follow after the delay.
    // Ignored while the client runs or is starting.
    void Start(int showCmd = platform::SW_SHOWNORMAL);
    void StartNow(); // already running: main window at once, no welcome dialog
    Hwnd OpenMailDialog(const std::string& title = "Get New Mail"); // topmost
    void CloseMailDialogs();
    void Crash(); // every window vanishes at once, pending steps dropped
    // Its thread stops (or starts again) taking messages: every window of it hangs.
    void Hang(bool hung = true);
    bool Running() const;

    Hwnd MainWindow() const { return main_; }
    Hwnd WelcomeDialog() const { return welcome_; }
    Hwnd ConfirmDialog() const { return confirm_; }
    Hwnd YesButton() const { return yes_; }
    Hwnd NoButton() const { return no_; }
    int Starts() const { return starts_; }
    int CloseRequests() const { return closeRequests_; }
    bool Confirmed() const { return confirmed_; } // "&Yes" was pressed

  private:
    void ShowMain(int showCmd);
    std::intptr_t OnTopMessage(std::uint32_t msg);
    std::intptr_t OnButton(bool yes, std::uint32_t msg, std::uintptr_t wParam);
    void AskConfirm();
    void Exit();
    void Forget(Hwnd& h);

    SimDesktop& desk_;
    JunoScript script_;
    bool starting_ = false, closing_ = false, confirmed_ = false, spaceDown_ = false;
    Hwnd pressed_ = 0; // the button the space key went down on
    Hwnd main_ = 0, welcome_ = 0, confirm_ = 0, yes_ = 0, no_ = 0;
    std::vector<Hwnd> mailDialogs_;
    int starts_ = 0, closeRequests_ = 0;
};

} // namespace pocketry::sim
