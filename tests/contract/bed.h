#pragma once
// What a contract case needs beyond the platform: files, messages from
// elsewhere, a user at the keyboard and at a message box. One bed per
// implementation: the simulated desktop's scripting, or real Windows calls.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pocketry::contract {

using platform::Hwnd;

// The application name of the settings the cases store; the Windows bed
// removes its key before and after each case.
inline constexpr const char* kContractApp = "PocketryContract";
inline constexpr std::uint32_t kSendDelayMs = 200;

struct SentMessage {
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// What the user saw while a message box was open.
struct BoxSeen {
    bool opened = false;
    Hwnd owner = 0;              // the box's owner window, 0 none
    bool watchedEnabled = false; // the watched window was enabled meanwhile
    std::string text, caption;   // as the box showed them, in UTF-8
    bool operator==(const BoxSeen&) const = default;
};

// What goes wrong in the bed itself (a simulation rule broken, a file it
// cannot make) fails the case.
class Bed {
  public:
    virtual ~Bed() = default;
    virtual platform::Platform& Api() = 0;
    // Wine rather than Windows: for the few differences the cases write down.
    virtual bool IsWine() const = 0;

    // A new empty folder (no trailing backslash), removed with the bed.
    virtual std::string MakeTempFolder() = 0;
    virtual void MakeFolder(const std::string& path) = 0;
    // A file with these attributes (FILE_ATTRIBUTE_ARCHIVE and the like).
    virtual void MakeFile(const std::string& path, std::uint32_t attributes) = 0;
    // A link to a folder, as its own system makes one (a symbolic link on
    // Windows; a Unix one under Wine, whose CreateSymbolicLink makes nothing).
    // False when none can be made here.
    virtual bool MakeDirectoryLink(const std::string& link, const std::string& target) = 0;
    // An INI file of one value as an older program writes one: in the ANSI
    // code page (the value is given in UTF-8).
    virtual void MakeAnsiIniFile(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& value) = 0;

    // Sends the messages one after another from another thread (another
    // process's way of sending), starting once the loop has had kSendDelayMs.
    virtual void SendFromElsewhere(Hwnd hWnd, std::vector<SentMessage> messages) = 0;
    // The results of the sends since the last call, once the loop below has returned.
    virtual std::vector<std::intptr_t> SendResults() = 0;
    // Runs UserInterface::RunMessageLoop; false when it did not end by itself
    // within `timeoutMs` (it was then made to return).
    virtual bool RunLoop(std::uint32_t timeoutMs) = 0;

    // A key pressed in the form, taken when the loop runs next.
    virtual void PressKey(platform::Form& form, int vKey) = 0;
    // The next message box is answered with `button`; meanwhile the bed notes
    // its owner and whether `watched` is enabled.
    virtual void AnswerNextMsgBox(int button, Hwnd watched) = 0;
    virtual BoxSeen LastBox() = 0;
    virtual bool IsWindowEnabled(Hwnd hWnd) = 0;
    // What the user reads on a form: its title, then the texts of the windows
    // inside it (a drop-down list shows its selected entry). Read from the
    // screen, not through the form: on Windows in UTF-16 (GetWindowTextW).
    virtual std::vector<std::string> ShownTexts(Hwnd form) = 0;
};

std::unique_ptr<Bed> MakeBed();

} // namespace pocketry::contract
