#pragma once
// The main window: a small information panel that is hidden while the
// program sits in the tray. It also owns the tray menu, the two timers and
// the two tray pictures. Its handlers live in the folders of their subsystems.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace pocketry {
class App;
class frmOptions;

class MainForm : public platform::FormEvents {
  public:
    explicit MainForm(App& app);
    ~MainForm() override;

    static platform::FormSpec Spec();
    static std::string AppNotes();
    static const char* const kWebSite;
    static const char* const kCopyright;

    // Creates the window, hidden, and runs Form_Load.
    void Load();
    platform::Form& form() { return *form_; }

    // Start-up, shutdown and the buttons.
    void Form_Load();
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_EndSessionCancelled() override;
    void cmdExit_Click();
    void MenuTray_Exit_Click();
    void cmdOK_Click();
    virtual void cmdSetup_Click();
    // The options dialog while it is open, else null.
    frmOptions* OptionsDialog() const { return options_; }

    // The window's own small behaviours.
    void Form_Resize() override;
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_MouseMove(int button, int shift, int x, int y);
    void labWebSite_MouseMove();
    void labWebSite_MouseUp(int button);
    void labVersion_Click();
    void ShowAppNotes();

    // The tray.
    void TaskBarHandler(std::int32_t WinMsg);
    void GoToTray();
    void MenuTray_Click();
    void MenuTray_Options_Click();
    void MenuTray_Restore_Click();
    void TrayIcon_Timer_Timer();
    std::uint32_t TaskbarCreatedMessage() const { return taskbarCreatedMessage_; }
    void TaskbarCreated();

    // Desktop commands.
    void MenuTray_ScreenSaver_Click();
    void MenuTray_ClearClipboard_Click();

    // The Juno client.
    platform::Hwnd FindJunoWindow();
    void MenuTrayJuno_HideShow_Click();
    void MenuTrayJuno_MinRes_Click();
    void MenuTrayJuno_SwitchTo_Click();
    // Virtual so that tests can watch these commands' calls.
    virtual void RunJuno(std::int32_t TimeoutSeconds);
    virtual void CloseJuno(std::int32_t TimeoutSeconds);
    void MenuTrayJuno_RunClose_Click();
    void Checker_Timer_Timer();
    void MailWindowsNotTopmost();

    // The ads folder.
    virtual void EmptyAdsFolder(bool ShowResult);
    void MenuTray_EmptyAds_Click();

    // Event routing from the platform to the handlers above.
    void Click(const std::string& control) override;
    void MouseMove(const std::string& control, int button, int shift, int x, int y) override;
    void MouseUp(const std::string& control, int button, int shift, int x, int y) override;
    void Timer(const std::string& timer) override;
    void MenuClick(const std::string& item) override;

    bool TrayBusy = false;
    bool HandlerBusy = false;
    bool JunoWasRunning = false;

  private:
    void ChangeTrayPicture(const char* image);
    // Juno's own delete confirmation: a top-level "Confirm Permanent Delete"
    // dialog of that process, 0 when it shows none.
    platform::Hwnd JunosConfirmation(std::uint32_t junoProcess);
    // In the tray: the icon is there, or the watchdog is still trying to put it back.
    bool LivesInTray();

    bool inTrayAtQueryUnload_ = false;

    App& app_;
    std::unique_ptr<platform::Form> form_;
    std::uint32_t taskbarCreatedMessage_ = 0;
    frmOptions* options_ = nullptr;
};

} // namespace pocketry
