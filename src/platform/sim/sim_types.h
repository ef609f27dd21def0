#pragma once
// What the services of the simulated desktop share: the fixed numbers of the
// simulated machine, its windows, and the records of the calls the program
// made, which tests read back.

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pocketry::sim {

using platform::HIcon;
using platform::Hwnd;
using platform::Status;

// Who owns a window. The program runs as one process with one UI thread.
constexpr std::uint32_t kProgramProcessId = 1000, kProgramThreadId = 1004;
constexpr std::uint32_t kOtherProcessId = 2000, kOtherThreadId = 2004;
constexpr Hwnd kDesktopWindow = 0x10010;
constexpr Hwnd HWND_TOP = 0, HWND_BOTTOM = 1, HWND_TOPMOST = 0xFFFFFFFFu;
constexpr std::uint32_t SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2, SWP_NOZORDER = 0x4,
                        SWP_NOACTIVATE = 0x10, SWP_SHOWWINDOW = 0x40, SWP_HIDEWINDOW = 0x80;
constexpr std::uint32_t BM_CLICK = 0xF5;
constexpr int VK_TAB = 0x09, VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_SPACE = 0x20;
constexpr std::uint32_t WM_QUERYENDSESSION = 0x11, WM_ENDSESSION = 0x16;
constexpr std::uint32_t SPI_GETSCREENSAVEACTIVE = 16; // fills a std::uint32_t 0 or 1
constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2, FILE_ATTRIBUTE_SYSTEM = 0x4,
                        FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr std::uint32_t DDL_READONLY = 0x1, DDL_HIDDEN = 0x2, DDL_SYSTEM = 0x4,
                        DDL_DIRECTORY = 0x10, DDL_ARCHIVE = 0x20, DDL_EXCLUSIVE = 0x8000;
// ForeColor of a control whose table gives no system colour (button text).
constexpr std::uint32_t kDefaultForeColor = 0x00000000;

// The fixed description texts standing in for FormatMessage.
std::string SystemMessage(std::uint32_t number);
Status Failure(std::uint32_t number); // number plus its fixed description

class SimDesktop;
class SimForm;

// Failures of the program's handlers and of scripts, collected for the test.
class SimErrors {
  public:
    const std::vector<std::string>& Errors() const { return errors_; }
    void AddError(std::string text);
    // The edge between the simulation and the program's or a test's code:
    // nothing thrown there goes further than Errors().
    template <class F> void Guard(const std::string& what, F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            AddError(what + " threw: " + e.what());
        } catch (...) {
            AddError(what + " threw");
        }
    }

  private:
    std::vector<std::string> errors_;
};

using MessageHandler =
    std::function<std::intptr_t(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)>;

struct SimWindow {
    Hwnd hWnd = 0;
    std::string className, title;
    Hwnd parent = 0;
    std::uint32_t threadId = kOtherThreadId, processId = kOtherProcessId;
    bool visible = true, minimized = false, maximized = false, topmost = false, enabled = true;
    bool hung = false; // its thread takes no messages (see SimWindows::SetHung)
    std::uintptr_t wndProc = 0;
    int x = 0, y = 0, cx = 0, cy = 0; // pixels
    std::vector<Hwnd> children;       // search order
    MessageHandler handler;           // an actor's answer to messages; may be empty
    SimForm* form = nullptr;          // set for the program's forms
};

struct NewWindow {
    std::string className{}, title{};
    Hwnd parent = 0;
    std::uint32_t threadId = kOtherThreadId, processId = kOtherProcessId;
    bool visible = true, topmost = false, minimized = false;
    MessageHandler handler = nullptr;
};

// ---- call records
struct MessageCall {
    Hwnd hWnd;
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool posted;
};
struct SetWindowPosCall {
    Hwnd hWnd, insertAfter;
    int x, y, cx, cy;
    std::uint32_t flags;
};
struct AttachThreadInputCall {
    std::uint32_t idAttach, idAttachTo;
    bool attach;
};
struct ShowWindowCall {
    Hwnd hWnd;
    int cmdShow;
    bool async = false; // ShowWindowAsync
};
struct SpiCall {
    std::uint32_t action, uiParam;
    bool hasPvParam;
    std::uint32_t fWinIni;
    bool result;
};
struct SettingOp {
    bool write;
    std::string app, section, key, value; // value read (after defaulting) or written
    Status status;
};
struct NotifyIconCall {
    std::uint32_t message;
    std::array<std::uint8_t, sizeof(platform::NotifyIconDataA)> bytes; // exactly as received
    bool result;
    platform::NotifyIconDataA Data() const;
    std::string Tip() const; // up to the first zero
};
struct ShellExecuteCall {
    Hwnd parent;
    std::string verb, file, parameters, directory;
    int showCmd;
    std::intptr_t result;
};
struct ShellLinkCall {
    std::string function;
    std::vector<std::string> arguments;
    std::int32_t result;
    Status status;
};
struct StartProcessCall {
    std::string path;
    int showCmd;
    Status status;
};
struct FileOpCall {
    std::string function, path;
    std::uint32_t attributes; // SetFileAttributesA only
    bool result;
};
struct MsgBoxRecord {
    std::string prompt;
    std::uint32_t style;
    std::string title;
    std::uint64_t time; // virtual ms when it opened
    int answer = 0;     // the button that closed it
    Hwnd owner = 0;     // the active form's window, disabled while the box is open
};
struct MenuItemRecord {
    std::string name, caption;
    bool enabled, separator, isDefault;
};
struct PopupRecord {
    std::string form, parent;
    std::uint32_t flags;
    std::string defaultItem;
    std::vector<MenuItemRecord> items;
    std::string chosen; // empty: dismissed
};

} // namespace pocketry::sim
