#pragma once
// The options dialog: three pages of options edited in place in AppSettings,
// saved on OK, and the two StartUp shortcut buttons. One exists only while it
// is shown.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace pocketry {
class App;

class frmOptions : public platform::FormEvents {
  public:
    explicit frmOptions(App& app);
    ~frmOptions() override;

    static platform::FormSpec Spec();
    // The entries of the "Tray Left" list, in the order of the commands' values.
    static const char* const kTrayLeftEntries[7];

    // Creates the window, hidden, and runs Form_Load.
    void Load();
    platform::Form& form() { return *form_; }
    // False once Form_Unload has released the instance.
    bool Loaded() const { return !released_; }

    void Form_Load();
    void Check1_Click(int Index);
    void chkCloseJunoExit_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdStartupCreate_Click();
    void cmdStartupRemove_Click();
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in every property dialog.
    void Form_KeyDown(int& keyCode, int shift) override;
    // The pages' spacing is in pixels of the window's monitor: placed again.
    void Form_DpiChanged() override { PlacePages(); }

    void Click(const std::string& control) override;

  private:
    // Lays the three pages on one rectangle below the tabs.
    void PlacePages();

    App& app_;
    std::unique_ptr<platform::Form> form_;
    bool pageBusy_ = false; // Check1_Click's own value changes call it again
    bool released_ = false;
};

} // namespace pocketry
