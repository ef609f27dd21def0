#pragma once
// What the contract cases share: a bed per implementation (the simulated desktop's
// scripting, or real Windows calls) and a form whose handlers write down what they hear.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

// GoogleTest after the platform headers: on Windows it may bring in the
// Windows headers, whose macros share names with platform constants.
#include <gtest/gtest.h>

namespace pocketry::contract {

using platform::Hwnd;
using Texts = std::vector<std::string>;

// The settings' application name; the Windows bed removes its key after each case.
constexpr const char* kContractApp = "PocketryContract";
constexpr std::uint32_t kWM_CLOSE = 0x10, kSendDelayMs = 200, kWaitMs = 5000;

struct SentMessage {
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// What the user saw while a message box was open: its owner window (0 none), whether the
// watched window was enabled meanwhile, and the box's text and caption in UTF-8.
using BoxSeen = std::tuple<Hwnd, bool, std::string, std::string>;

// Files, messages from elsewhere, a user at the keyboard and at a message box.
// Trouble in the bed itself (a simulation rule broken, a file not made) fails the case.
class Bed {
  public:
    virtual ~Bed() = default;
    virtual platform::Platform& Api() = 0;
    // Wine rather than Windows: for the few differences the cases write down.
    virtual bool IsWine() const = 0;

    // A new empty folder (no trailing backslash), removed with the bed.
    virtual std::string MakeTempFolder() = 0;
    // A file of these attributes or, with FILE_ATTRIBUTE_DIRECTORY among them, a folder.
    virtual void MakeEntry(const std::string& path, std::uint32_t attributes) = 0;
    // A link to a folder as its own system makes one (under Wine a Unix one: its
    // CreateSymbolicLink makes nothing); false when none can be made here.
    virtual bool MakeDirectoryLink(const std::string& link, const std::string& target) = 0;
    // An INI file of one value in the ANSI code page, as an older program writes one.
    virtual void MakeAnsiIniFile(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& value) = 0;

    // Sends the messages one after another from another thread (another process's way of
    // sending) once the loop has had kSendDelayMs; their results are in `results` once it ends.
    virtual void SendFromElsewhere(Hwnd hWnd, std::vector<SentMessage> messages,
                                   std::vector<std::intptr_t>& results) = 0;
    // Runs UserInterface::RunMessageLoop; false when it was made to return after kWaitMs.
    virtual bool RunLoop() = 0;

    // A key pressed in the form, taken when the loop runs next.
    virtual void PressKey(platform::Form& form, int vKey) = 0;
    // Answers the next message box with `button`; `seen` holds what the user saw meanwhile.
    virtual void AnswerNextMsgBox(int button, Hwnd watched, BoxSeen& seen) = 0;
    virtual bool IsWindowEnabled(Hwnd hWnd) = 0;
    // What the user reads on a form, from the screen (GetWindowTextW on Windows): its title,
    // then the windows inside it (a drop-down list shows its selected entry).
    virtual std::vector<std::string> ShownTexts(Hwnd form) = 0;
};

std::unique_ptr<Bed> MakeBed();

// Writes every event down; cancels the unload mode it is told to.
struct Recorder : platform::FormEvents {
    Texts log;
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

} // namespace pocketry::contract
