#pragma once
// What the contract cases share: the bed and a form whose handlers write down
// what they were told.
#include "bed.h"

// GoogleTest after the platform headers: on Windows it may bring in the
// Windows headers, whose macros share names with platform constants.
#include <gtest/gtest.h>

#include <functional>

namespace pocketry::contract {

constexpr std::uint32_t kWM_CLOSE = 0x10, kWM_QUERYENDSESSION = 0x11, kWM_ENDSESSION = 0x16;
constexpr int kVK_TAB = 0x09, kVK_RETURN = 0x0D, kVK_ESCAPE = 0x1B;
constexpr std::uint32_t kLoopTimeoutMs = 5000;

// Writes every event down; cancels the unload mode it is told to.
class Recorder : public platform::FormEvents {
  public:
    std::vector<std::string> log;
    int cancelMode = -1;                             // none
    std::function<void(const std::string&)> onClick; // runs after the click is written down

    void Form_QueryUnload(int& cancel, int unloadMode) override {
        log.push_back("QueryUnload " + std::to_string(unloadMode));
        if (unloadMode == cancelMode)
            cancel = 1;
    }
    void Form_Unload(int&) override { log.push_back("Unload"); }
    void Form_EndSessionCancelled() override { log.push_back("EndSessionCancelled"); }
    void Form_Resize() override { log.push_back("Resize"); }
    void Click(const std::string& control) override {
        log.push_back("Click " + control);
        if (onClick)
            onClick(control);
    }
};

// OK (default), Exit, a frame with a button, a label with a mnemonic, a text
// box and Cancel, in that tab order, and a drop-down list with no tab stop.
inline platform::FormSpec ContractFormSpec() {
    using enum platform::ControlKind;
    using platform::AddControl;
    platform::FormSpec spec;
    spec.name = "ContractForm";
    spec.caption = "Pocketry contract";
    spec.clientWidth = 4800;
    spec.clientHeight = 3600;
    AddControl(spec, CommandButton, "cmdOK", "OK", 3600, 120, 1080, 360, 0).isDefault = true;
    AddControl(spec, CommandButton, "cmdExit", "Exit", 3600, 600, 1080, 360, 1);
    AddControl(spec, Frame, "fraBox", "", 120, 120, 3000, 1000, 2);
    AddControl(spec, CommandButton, "cmdInFrame", "In frame", 120, 240, 1500, 360, 3, "fraBox");
    AddControl(spec, Label, "lblName", "&Name:", 120, 1400, 900, 300, 4);
    AddControl(spec, TextBox, "txtName", "", 1100, 1400, 2000, 330, 5);
    AddControl(spec, CommandButton, "cmdCancel", "Cancel", 3600, 1080, 1080, 360, 6).isCancel =
        true;
    AddControl(spec, ComboList, "cboPick", "", 120, 2000, 3000, 315, -1);
    return spec;
}

class ContractTest : public ::testing::Test {
  protected:
    platform::Platform& Api() { return bed->Api(); }
    std::unique_ptr<platform::Form> NewForm() {
        return Api().ui.CreateForm(ContractFormSpec(), events);
    }
    void PostClose(const platform::Form& form) {
        Api().windows.PostMessageA(form.hWnd(), kWM_CLOSE, 0, 0);
    }

    std::unique_ptr<Bed> bed = MakeBed();
    Recorder events;
};

inline void PrintTo(const BoxSeen& box, std::ostream* os) {
    *os << "{opened " << box.opened << ", owner " << box.owner << ", watched enabled "
        << box.watchedEnabled << ", \"" << box.text << "\", \"" << box.caption << "\"}";
}

} // namespace pocketry::contract
