#pragma once
// The simulated desktop: every platform service in memory, deterministic, on
// a virtual clock. Tests build one SimDesktop per case, hand `api()` to the
// program, script the world (windows, files, settings, actors, answers to
// message boxes) and read back what the program did.
//
// Time. Nothing runs on its own: virtual time moves only when the program
// sleeps or reads the clock (1 ms per read, so a polling loop without a pause
// still ends) and when a test calls RunFor. Scheduled events fire whenever
// time reaches them; the timers of loaded forms fire only in RunFor and
// RunMessageLoop, as WM_TIMER needs a message loop. At equal times scheduled
// events come first (in the order they were scheduled), then timers (forms
// in creation order, timers in table order).
//
// Z-order. Top-level windows are kept in one list, the most recently created,
// shown or activated first; EnumWindows, FindWindowA and FindWindowExA walk it
// with the topmost windows ahead of the others. Children are kept in creation
// order (the first created is searched first), as dialog controls are.
//
// Failures. Program handlers and scripted callbacks that throw, names of
// controls or menu items that a form does not have and answers that a
// message box cannot give are written to Errors(); a test fixture should
// expect it to be empty at the end of every case.

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
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
constexpr int VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_SPACE = 0x20;
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

using MessageHandler =
    std::function<std::intptr_t(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)>;

struct SimWindow {
    Hwnd hWnd = 0;
    std::string className, title;
    Hwnd parent = 0;
    std::uint32_t threadId = kOtherThreadId, processId = kOtherProcessId;
    bool visible = true, minimized = false, maximized = false, topmost = false, enabled = true;
    bool hung = false; // its thread answers no sent message
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

// The program's forms in the simulation. The Form part is the program's
// view; the rest is what a user (the test) can do to it.
// - The window is a top-level sim window of class "PocketryForm" titled with
//   the caption, owned by the program's thread, hidden until shown; its
//   procedure value can be replaced with SetWindowLongA, and the original
//   one handles WM_CLOSE as the close box does.
// - Form_Resize fires when the window state really changes (SetWindowState,
//   Minimize, ShowWindow on the form's window); Show fires nothing.
// - Check boxes (and tab buttons) fire Click whenever Value changes, by code
//   too; a list fires Click whenever ListIndex changes.
// - Timers count from the form's creation or from being enabled.
// - Width/Height are the client size plus a 3-pixel border and a 19-pixel
//   caption; a form centred on screen starts there, any other at 0, 0.
class SimForm : public platform::Form {
  public:
    SimForm(SimDesktop& desk, const platform::FormSpec& spec, platform::FormEvents& events);
    ~SimForm() override;
    SimForm(const SimForm&) = delete;
    SimForm& operator=(const SimForm&) = delete;

    // ---- the user
    const std::string& Name() const { return spec_.name; }
    // Clicks a control the way a user can: only when it, its containers and
    // the form are visible and enabled. A check box toggles. False if refused.
    bool Click(const std::string& control);
    // A key press: Form_KeyDown first when the form previews keys; then, unless
    // the handler zeroed the code, Enter clicks the default button and Esc the
    // cancel button.
    void PressKey(int keyCode, int shift = 0);
    void MouseMove(const std::string& control, int button, int shift, int x, int y);
    void MouseUp(const std::string& control, int button, int shift, int x, int y);
    void CloseBox() { Unload(platform::kUnloadFormControlMenu); }
    void EndSession() { Unload(platform::kUnloadAppWindows); }
    void Minimize() { SetWindowState(platform::kStateMinimized); }
    void Restore() { SetWindowState(platform::kStateNormal); }

    // ---- inspection
    bool HasControl(const std::string& control) const { return controls_.count(control) != 0; }
    bool ShowInTaskbar() const { return showInTaskbar_; }
    bool IsModal() const { return modal_; }
    int TimerInterval(const std::string& timer) const;
    SimDesktop& Desktop() const { return desk_; }

    // ---- platform::Form
    std::uint32_t hWnd() const override { return hWnd_; }
    bool Loaded() const override { return loaded_; }
    void Show() override;
    void ShowModal() override;
    void Hide() override;
    bool Visible() const override;
    void Refresh() override {}
    void Unload(int unloadMode = platform::kUnloadFormCode) override;
    int WindowState() const override;
    void SetWindowState(int state) override;
    std::string Caption() const override;
    void SetCaption(const std::string& text) override;
    int Left() const override { return left_; }
    int Top() const override { return top_; }
    int Width() const override;
    int Height() const override;
    void Move(int left, int top) override;
    void SetShowInTaskbar(bool show) override { showInTaskbar_ = show; }
    std::string Text(const std::string& control) const override;
    void SetText(const std::string& control, const std::string& text) override;
    bool Enabled(const std::string& control) const override;
    void SetEnabled(const std::string& control, bool enabled) override;
    bool ControlVisible(const std::string& control) const override;
    void SetControlVisible(const std::string& control, bool visible) override;
    int Value(const std::string& control) const override;
    void SetValue(const std::string& control, int value) override;
    bool FontBold(const std::string& control) const override;
    void SetFontBold(const std::string& control, bool bold) override;
    bool FontUnderline(const std::string& control) const override;
    void SetFontUnderline(const std::string& control, bool underline) override;
    std::uint32_t ForeColor(const std::string& control) const override;
    void SetForeColor(const std::string& control, std::uint32_t color) override;
    void MoveControl(const std::string& control, int left, int top, int width, int height) override;
    int ControlLeft(const std::string& control) const override;
    int ControlTop(const std::string& control) const override;
    int ControlWidth(const std::string& control) const override;
    int ControlHeight(const std::string& control) const override;
    void AddItem(const std::string& control, const std::string& item) override;
    int ListCount(const std::string& control) const override;
    std::string ListItem(const std::string& control, int index) const override;
    int ListIndex(const std::string& control) const override;
    void SetListIndex(const std::string& control, int index) override;
    bool TimerEnabled(const std::string& timer) const override;
    void SetTimerEnabled(const std::string& timer, bool enabled) override;
    std::uint32_t Picture(const std::string& image) const override;
    std::string MenuCaption(const std::string& item) const override;
    void SetMenuCaption(const std::string& item, const std::string& caption) override;
    bool MenuEnabled(const std::string& item) const override;
    void SetMenuEnabled(const std::string& item, bool enabled) override;
    void PopupMenu(const std::string& parent, std::uint32_t flags,
                   const std::string& defaultItem) override;

  private:
    friend class SimDesktop;
    struct Control {
        platform::ControlSpec spec;
        std::string text;
        bool enabled = true, visible = true, bold = false, underline = false;
        int value = 0;
        std::uint32_t foreColor = kDefaultForeColor;
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<std::string> items;
        int listIndex = -1;
        std::uint64_t nextDue = 0; // timers
        bool running = false;      // timers: handler under way
        HIcon picture = 0;
    };
    struct Menu {
        platform::MenuSpec spec;
        bool enabled = true;
    };
    Control* Find(const std::string& control, const char* use);
    const Control* Find(const std::string& control, const char* use) const;
    Menu* FindMenu(const std::string& item, const char* use);
    const Menu* FindMenu(const std::string& item, const char* use) const;
    bool Usable(const Control& c) const; // visible and enabled up to the form
    void Destroy();                      // the window goes, no handlers run
    template <class F> void Fire(const char* what, F&& f);

    SimDesktop& desk_;
    platform::FormSpec spec_;
    platform::FormEvents& events_;
    std::uint64_t id_;
    Hwnd hWnd_ = 0;
    bool loaded_ = true, unloading_ = false, modal_ = false, showInTaskbar_ = true;
    bool detached_ = false; // the desktop went first
    int left_ = 0, top_ = 0;
    std::map<std::string, Control> controls_;
    std::vector<std::string> timerOrder_;
    std::map<std::string, Menu> menus_;
};

class SimDesktop : private platform::SettingsStore,
                   private platform::SingleInstance,
                   private platform::Shell,
                   private platform::Windows,
                   private platform::Kernel,
                   private platform::Clock,
                   private platform::Clipboard,
                   private platform::UserInterface,
                   private platform::ShellLinkLibrary {
  public:
    SimDesktop();
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    platform::Platform& api() { return api_; }
    const std::vector<std::string>& Errors() const { return errors_; }
    void AddError(std::string text);

    // ---- time
    std::uint64_t Now() const { return now_; }
    // `owner` tags the event so that CancelEvents can take it back.
    void At(std::uint64_t ms, std::function<void()> fn, const void* owner = nullptr);
    void After(std::uint64_t ms, std::function<void()> fn, const void* owner = nullptr) {
        At(now_ + ms, std::move(fn), owner);
    }
    void CancelEvents(const void* owner);
    // Lets `ms` pass with the message loop running: events and form timers.
    void RunFor(std::uint64_t ms);
    const std::vector<std::uint32_t>& Sleeps() const { return sleeps_; }
    // RunMessageLoop returns when no form is loaded, and gives up when
    // nothing is due any more or after this much virtual time (default 1 hour).
    void SetMessageLoopLimit(std::uint64_t ms) { loopLimit_ = ms; }
    bool MessageLoopGaveUp() const { return loopGaveUp_; }

    // ---- windows
    Hwnd AddWindow(NewWindow w);
    void RemoveWindow(Hwnd hWnd); // with its children
    SimWindow* Window(Hwnd hWnd);
    const SimWindow* Window(Hwnd hWnd) const;
    std::vector<Hwnd> TopLevelWindows() const; // EnumWindows order
    void SetWindowHandler(Hwnd hWnd, MessageHandler handler);
    // Runs the window's current procedure now, as if another process sent it.
    std::intptr_t Deliver(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam);
    void SetForeground(Hwnd hWnd); // the user activates a window (not recorded)
    Hwnd Foreground() const { return foreground_; }
    Hwnd ActiveWindow() const { return active_; }
    void FailSetWindowLong(bool fail) { failSetWindowLong_ = fail; }
    void FailSetForegroundWindow(bool fail) { failSetForeground_ = fail; }
    const std::vector<MessageCall>& Messages() const { return messages_; }
    const std::vector<SetWindowPosCall>& SetWindowPosCalls() const { return setWindowPos_; }
    const std::vector<AttachThreadInputCall>& AttachCalls() const { return attach_; }
    const std::vector<Hwnd>& SetForegroundCalls() const { return setForeground_; }
    const std::vector<Hwnd>& SetActiveCalls() const { return setActive_; }
    const std::vector<ShowWindowCall>& ShowWindowCalls() const { return showWindow_; }
    // Keys: down sets the 0x8000 bit; every key that went down since the
    // last query also gets the low bit once. TapKey: down and up again.
    void SetKeyDown(int vKey, bool down);
    void TapKey(int vKey);
    // System parameters.
    void SetWorkArea(platform::Rect r) { workArea_ = r; }
    void SetScreenSaver(bool active, std::uint32_t timeoutSeconds);
    bool ScreenSaverActive() const { return ssActive_; }
    std::uint32_t ScreenSaverTimeout() const { return ssTimeout_; }
    void FailSystemParameter(std::uint32_t action, bool fail);
    const std::vector<SpiCall>& SpiCalls() const { return spi_; }

    // ---- settings store (application names, sections and keys ignore case)
    void SetSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& value);
    std::optional<std::string> Setting(const std::string& app, const std::string& section,
                                       const std::string& key) const;
    // Reads (writes) of `key`, or of every key when it is empty, fail with
    // `status` until called again with Status::Ok().
    void FailSettingReads(Status status, const std::string& key = "");
    void FailSettingWrites(Status status, const std::string& key = "");
    const std::vector<SettingOp>& SettingsLog() const { return settingsLog_; }
    void ClearSettingsLog() { settingsLog_.clear(); }

    // ---- single instance
    void ClaimInstance(const std::string& name) { claimed_.insert(name); } // another process
    bool InstanceClaimed(const std::string& name) const { return claimed_.count(name) != 0; }

    // ---- shell
    std::optional<platform::NotifyIconDataA> TrayIcon(Hwnd hWnd, std::uint32_t uID) const;
    std::size_t TrayIconCount() const { return tray_.size(); }
    void LoseTrayIcons() { tray_.clear(); }
    // Explorer restarting: the icons are lost and every top-level window is
    // sent the registered "TaskbarCreated" message.
    void RecreateTaskbar();
    void FailNotifyIcon(std::uint32_t message, bool fail);
    const std::vector<NotifyIconCall>& NotifyIconCalls() const { return notifyLog_; }
    // The user's mouse on the icon: sends its callback message as the shell
    // does (wParam the ID, lParam the mouse message). False if no such icon.
    bool TrayMouse(Hwnd hWnd, std::uint32_t uID, std::uint32_t mouseMsg);
    void SetNoTaskbar(bool none) { noTaskbar_ = none; }
    void SetTaskbarRect(platform::Rect r) { taskbarRect_ = r; }
    // ShellExecuteA gives 42 for an existing file of an associated extension
    // (exe com bat lnk txt htm html url at first; starting a registered
    // program), a folder, or an address (http://, https://, www., mailto:);
    // 31 for another extension or an address without association; 2 for a
    // missing file, 3 for a missing folder.
    void SetAssociation(const std::string& extension, bool associated); // "txt"
    void SetUrlAssociation(bool associated) { urlAssociated_ = associated; }
    const std::vector<ShellExecuteCall>& ShellExecuteCalls() const { return shellExecute_; }
    void SetStartupFolder(const std::string& path); // also creates it
    void FailSpecialFolderLocation(bool fail) { failFolderLocation_ = fail; }
    void FailPathFromIDList(bool fail) { failPathFromIdList_ = fail; }
    // The shell-link library: groups and links in memory.
    void SetShellLinkLibraryMissing(bool missing) { linkLibraryMissing_ = missing; }
    void SetShellLinkFunctionMissing(const std::string& function, bool missing);
    // Forces a function's result (0 for a failure); nullopt: normal behaviour.
    void SetShellLinkResult(const std::string& function, std::optional<std::int32_t> result);
    bool ShellGroupExists(const std::string& group) const;
    bool ShellLinkExists(const std::string& group, const std::string& link) const;
    std::string ShellLinkTarget(const std::string& group, const std::string& link) const;
    const std::vector<ShellLinkCall>& ShellLinkCalls() const { return linkLog_; }

    // ---- file system (Windows paths: drive letter, "\" or "/", any case)
    void AddFile(const std::string& path, std::uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE);
    void AddDirectory(const std::string& path, std::uint32_t attributes = 0);
    // A directory link: FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT.
    void AddDirectoryLink(const std::string& path) {
        AddDirectory(path, platform::FILE_ATTRIBUTE_REPARSE_POINT);
    }
    bool Exists(const std::string& path) const;
    std::optional<std::uint32_t> Attributes(const std::string& path) const;
    std::vector<std::string> Children(const std::string& folder) const; // long names, sorted
    void SetShortName(const std::string& path, const std::string& shortName);
    void SetInUse(const std::string& path, bool inUse);
    void SetVersionInfo(const std::string& path, const platform::VsFixedFileInfo& info);
    // The folder the program runs from; first in the library search order,
    // then the system folder, then the Windows folder.
    void SetAppFolder(const std::string& path);
    const std::string& AppFolder() const { return appFolder_; }
    // Replaces that order for bare library names; empty restores it.
    void SetLibrarySearchPath(std::vector<std::string> folders) {
        librarySearch_ = std::move(folders);
    }
    const std::string& WindowsFolder() const { return windowsFolder_; }
    const std::vector<FileOpCall>& FileOps() const { return fileOps_; }
    // INI files; a name without a folder lives in the Windows folder.
    void SetIniValue(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value);
    void FailIniReads(bool fail) { failIni_ = fail; }
    // Processes: a registered path runs `onStart(showCmd)` when started.
    void RegisterProgram(const std::string& path, std::function<void(int)> onStart);
    void UnregisterProgram(const std::string& path);
    const std::vector<StartProcessCall>& StartProcessCalls() const { return startLog_; }

    // ---- clipboard
    void AddClipboardFormat(std::uint32_t format) { clipFormats_.insert(format); }
    bool ClipboardHas(std::uint32_t format) const { return clipFormats_.count(format) != 0; }
    std::size_t ClipboardFormatCount() const { return clipFormats_.size(); }
    void FailEmptyClipboard(Status status) { failEmptyClipboard_ = std::move(status); }
    void FailFormatQuery(std::uint32_t format, bool fail);
    int EmptyClipboardCalls() const { return emptyCalls_; }

    // ---- user interface
    SimForm* FindForm(const std::string& name) const; // the newest loaded one
    const std::vector<MsgBoxRecord>& MsgBoxes() const { return msgBoxes_; }
    void ClearMsgBoxes() { msgBoxes_.clear(); }
    int OpenMsgBoxes() const { return openMsgBoxes_; }
    // Answers for the coming message boxes, in order; an action may run code
    // while its box is open and returns the button (0: the default button).
    void AnswerNextMsgBox(int button);
    void AnswerNextMsgBox(std::function<int(const MsgBoxRecord&)> action);
    // Used when no queued answer is left; without it the default button.
    void SetMsgBoxResponder(std::function<int(const MsgBoxRecord&)> responder);
    static int DefaultButton(std::uint32_t style);
    // Runs while a form is shown modally; the form is unloaded (close box)
    // afterwards unless the responder unloaded it.
    void SetModalResponder(std::function<void(SimForm&)> responder);
    // Choices for the coming pop-up menus by item name ("" dismisses), then
    // the responder, else the menu is dismissed.
    void ChooseMenuItem(const std::string& item);
    void SetPopupResponder(std::function<std::string(const PopupRecord&)> responder);
    const std::vector<PopupRecord>& PopupMenus() const { return popups_; }
    const std::vector<int>& MousePointerLog() const { return pointerLog_; }
    void SetTwipsPerPixel(double x, double y);
    void SetScreenPixels(int width, int height);
    int IconResource(HIcon picture) const; // the resource behind a picture, 0 if none

  private:
    friend class SimForm;
    struct Event {
        std::uint64_t seq;
        const void* owner;
        std::function<void()> fn;
    };
    struct FsNode {
        std::string name, shortName; // shortName empty: the long name is 8.3 already
        std::uint32_t attributes = 0;
        bool inUse = false;
        std::optional<platform::VsFixedFileInfo> version;
        std::map<std::string, std::unique_ptr<FsNode>> children; // by lower-case long name
        bool IsDirectory() const { return (attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0; }
    };
    struct Resolved {
        FsNode* node;
        FsNode* parent; // null for a drive's root
        std::string longPath, shortPath;
    };

    // time
    void AdvanceTo(std::uint64_t t);
    bool Step(std::uint64_t limit); // fires the next event or timer due by `limit`
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
    // windows
    void Dispatch(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                  std::intptr_t* result);
    std::intptr_t DefaultProc(Hwnd hWnd, std::uint32_t msg);
    void BringToTop(Hwnd hWnd);
    void Activate(Hwnd hWnd);
    void ApplyShow(SimWindow& w, int cmdShow);
    Hwnd NewHandle() { return nextHandle_ += 2; }
    static std::uintptr_t OriginalProc(Hwnd hWnd) { return 0x00410000u + hWnd; }
    // file system
    std::optional<Resolved> Resolve(const std::string& path) const;
    FsNode* MakeNode(const std::string& path, bool directory, std::uint32_t attributes);
    std::vector<platform::FindData> Matches(const std::string& spec) const;
    std::optional<std::string> SearchLibrary(const std::string& fileName) const;
    std::string IniPath(const std::string& file) const;
    // forms
    void RegisterForm(SimForm* f) { forms_.push_back(f); }
    void UnregisterForm(SimForm* f);
    bool FormAlive(std::uint64_t id) const;
    HIcon NewPicture(int resource);

    // ---- platform::SettingsStore
    Status GetSetting(const std::string& appName, const std::string& section,
                      const std::string& key, const std::string& defaultValue,
                      std::string& value) override;
    Status SaveSetting(const std::string& appName, const std::string& section,
                       const std::string& key, const std::string& value) override;
    // ---- platform::SingleInstance
    bool AnotherInstanceRunning(const std::string& name) override;
    // ---- platform::Shell
    bool Shell_NotifyIconA(std::uint32_t dwMessage, const platform::NotifyIconDataA& data) override;
    std::uint32_t SHAppBarMessage(std::uint32_t dwMessage, platform::AppBarData& data) override;
    std::intptr_t ShellExecuteA(Hwnd parent, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int showCmd) override;
    std::int32_t SHGetSpecialFolderLocation(Hwnd owner, int folder) override;
    bool SHGetPathFromIDList(Hwnd owner, int folder, std::string& path) override;
    // ---- platform::Windows
    Hwnd FindWindowA(const char* className, const char* windowName) override;
    Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter, const char* className,
                       const char* windowName) override;
    bool EnumWindows(platform::WNDENUMPROC proc, std::intptr_t lParam) override;
    int GetClassNameA(Hwnd hWnd, std::string& text, int maxCount) override;
    int GetWindowTextA(Hwnd hWnd, std::string& text, int maxCount) override;
    Hwnd GetForegroundWindow() override { return foreground_; }
    Hwnd GetDesktopWindow() override { return kDesktopWindow; }
    bool IsWindow(Hwnd hWnd) override { return Window(hWnd) != nullptr; }
    bool IsWindowVisible(Hwnd hWnd) override;
    bool IsIconic(Hwnd hWnd) override;
    std::uint32_t GetWindowThreadProcessId(Hwnd hWnd) override;
    bool AttachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo, bool attach) override;
    bool SetForegroundWindow(Hwnd hWnd) override;
    Hwnd SetActiveWindow(Hwnd hWnd) override;
    bool ShowWindow(Hwnd hWnd, int cmdShow) override;
    bool SetWindowPos(Hwnd hWnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                      std::uint32_t flags) override;
    bool PostMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                      std::intptr_t lParam) override;
    std::intptr_t SendMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    bool SendMessageTimeoutA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                             std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                             std::intptr_t& result) override;
    std::uintptr_t AddressOfWindowProc(platform::WindowProcFn proc) override;
    std::uintptr_t SetWindowLongA(Hwnd hWnd, int index, std::uintptr_t newLong) override;
    std::intptr_t CallWindowProcA(std::uintptr_t prevProc, Hwnd hWnd, std::uint32_t msg,
                                  std::uintptr_t wParam, std::intptr_t lParam) override;
    std::int16_t GetAsyncKeyState(int vKey) override;
    std::uint32_t RegisterWindowMessageA(const std::string& name) override;
    bool SystemParametersInfoA(std::uint32_t uiAction, std::uint32_t uiParam, void* pvParam,
                               std::uint32_t fWinIni) override;
    // ---- platform::Kernel
    void Sleep(std::uint32_t milliseconds) override;
    std::int32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, std::string& value,
                                          std::uint32_t size, const std::string& fileName) override;
    std::unique_ptr<platform::FindHandle> FindFirstFileA(const std::string& fileName) override;
    std::uint32_t GetShortPathNameA(const std::string& longPath, std::string& shortPath,
                                    std::uint32_t size) override;
    std::vector<std::string> ListBoxDir(std::uint32_t attributes,
                                        const std::string& fileSpec) override;
    bool SetFileAttributesA(const std::string& fileName, std::uint32_t attributes) override;
    bool DeleteFileA(const std::string& fileName) override;
    bool RemoveDirectoryA(const std::string& path) override;
    Status StartProcess(const std::string& path, int showCmd) override;
    std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) override;
    bool GetFileVersionInfoA(const std::string& fileName, std::uint32_t handle, std::uint32_t size,
                             std::vector<std::uint8_t>& data) override;
    bool VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                        std::vector<std::uint8_t>& value) override;
    // ---- platform::Clock
    std::uint64_t MonotonicMilliseconds() override;
    // ---- platform::Clipboard
    Status EmptyClipboard() override;
    bool IsClipboardFormatAvailable(std::uint32_t format) override;
    std::uint32_t RegisterClipboardFormatA(const std::string& name) override;
    // ---- platform::UserInterface
    std::unique_ptr<platform::Form> CreateForm(const platform::FormSpec& spec,
                                               platform::FormEvents& events) override;
    void RunMessageLoop() override;
    int MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) override;
    void SetMousePointer(int pointer) override;
    int MousePointer() const override { return pointer_; }
    double TwipsPerPixelX() const override { return tppX_; }
    double TwipsPerPixelY() const override { return tppY_; }
    double ScreenWidth() const override { return screenW_ * tppX_; }
    double ScreenHeight() const override { return screenH_ * tppY_; }
    // ---- platform::ShellLinkLibrary
    Status fCreateShellFolder(const std::string& group, std::int32_t& result) override;
    Status fCreateShellLink(const std::string& group, const std::string& link,
                            const std::string& target, const std::string& arguments,
                            std::int32_t& result) override;
    Status fRemoveShellLink(const std::string& group, const std::string& link,
                            std::int32_t& result) override;
    Status LinkCall(const std::string& function, std::vector<std::string> args,
                    std::int32_t& result, const std::function<std::int32_t()>& body);

    platform::Platform api_;
    std::vector<std::string> errors_;

    // time
    std::uint64_t now_ = 0, eventSeq_ = 0;
    std::multimap<std::uint64_t, Event> events_;
    std::vector<std::uint32_t> sleeps_;
    std::uint64_t loopLimit_ = 3600 * 1000;
    bool loopGaveUp_ = false;

    // windows
    Hwnd nextHandle_ = 0x10020;
    std::map<Hwnd, SimWindow> windows_;
    std::vector<Hwnd> zOrder_; // top-level windows, top first
    Hwnd foreground_ = 0, active_ = 0;
    bool failSetWindowLong_ = false, failSetForeground_ = false;
    std::vector<platform::WindowProcFn> procs_;
    std::vector<MessageCall> messages_;
    std::vector<SetWindowPosCall> setWindowPos_;
    std::vector<AttachThreadInputCall> attach_;
    std::vector<Hwnd> setForeground_, setActive_;
    std::vector<ShowWindowCall> showWindow_;
    std::map<int, bool> keysDown_;
    std::set<int> keysPressed_;
    platform::Rect workArea_{0, 0, 1024, 738};
    bool ssActive_ = true;
    std::uint32_t ssTimeout_ = 600;
    std::set<std::uint32_t> failSpi_;
    std::vector<SpiCall> spi_;

    // settings
    std::map<std::string, std::string> settings_; // "app\section\key" lower-case
    std::optional<std::pair<Status, std::string>> failRead_, failWrite_;
    std::vector<SettingOp> settingsLog_;
    std::set<std::string> claimed_;

    // shell
    std::map<std::pair<Hwnd, std::uint32_t>, platform::NotifyIconDataA> tray_;
    std::set<std::uint32_t> failNotify_;
    std::vector<NotifyIconCall> notifyLog_;
    bool noTaskbar_ = false;
    platform::Rect taskbarRect_{0, 738, 1024, 768};
    std::set<std::string> associations_;
    bool urlAssociated_ = true;
    std::vector<ShellExecuteCall> shellExecute_;
    std::string startupFolder_;
    bool failFolderLocation_ = false, failPathFromIdList_ = false;
    bool linkLibraryMissing_ = false;
    std::set<std::string> linkFunctionsMissing_;
    std::map<std::string, std::int32_t> linkResults_;
    std::map<std::string, std::map<std::string, std::string>> shellLinks_; // group → link → target
    std::vector<ShellLinkCall> linkLog_;

    // kernel
    std::map<char, std::unique_ptr<FsNode>> drives_;
    std::string appFolder_, windowsFolder_ = "C:\\WINDOWS", systemFolder_ = "C:\\WINDOWS\\system32";
    std::vector<std::string> librarySearch_;
    std::vector<FileOpCall> fileOps_;
    std::map<std::string, std::map<std::string, std::string>> ini_; // path → "section\key" → value
    bool failIni_ = false;
    std::map<std::string, std::function<void(int)>> programs_; // lower-case long path
    std::vector<StartProcessCall> startLog_;

    // clipboard
    std::set<std::uint32_t> clipFormats_, failFormats_;
    Status failEmptyClipboard_;
    int emptyCalls_ = 0;
    std::map<std::string, std::uint32_t> atoms_; // registered message and format names

    // user interface
    std::vector<SimForm*> forms_;
    std::uint64_t nextFormId_ = 1;
    std::vector<MsgBoxRecord> msgBoxes_;
    std::vector<std::function<int(const MsgBoxRecord&)>> msgBoxQueue_;
    std::function<int(const MsgBoxRecord&)> msgBoxResponder_;
    int openMsgBoxes_ = 0;
    std::function<void(SimForm&)> modalResponder_;
    std::vector<std::string> menuChoices_;
    std::function<std::string(const PopupRecord&)> popupResponder_;
    std::vector<PopupRecord> popups_;
    int pointer_ = platform::kPointerDefault;
    std::vector<int> pointerLog_;
    double tppX_ = 15, tppY_ = 15;
    int screenW_ = 1024, screenH_ = 768;
    std::map<HIcon, int> pictures_;
};

template <class F> void SimForm::Fire(const char* what, F&& f) {
    desk_.Guard(spec_.name + "." + what, std::forward<F>(f));
}

} // namespace pocketry::sim
