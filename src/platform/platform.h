#pragma once
// The thin layer between the program and Windows. Every call keeps the name,
// the arguments and the meaning of the result of the Windows function it
// stands for; strings are UTF-8 (whatever the ANSI code page, and a name
// ending in "A" says nothing else: the Windows implementation calls the wide
// function behind it), window handles are 32-bit values (0 is none) and flags
// keep their Windows values. A count of characters a call hands back is the
// length of the UTF-8 text it filled in. The program never asks which
// implementation it talks to.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms.h"

namespace pocketry::platform {

using Hwnd = std::uint32_t;
using HIcon = std::uint32_t;

// The outcome of a call whose failure the program reports: the failure's
// number and the platform's description of it.
struct Status {
    std::uint32_t number = 0;
    std::string description;

    bool ok() const { return number == 0; }
    static Status Ok() { return {}; }
    static Status Fail(std::uint32_t n, std::string text) { return {n, std::move(text)}; }
};

// ---------------------------------------------------------------- settings
// Per-user application settings: text values under application, section, key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // A missing value is no failure: `value` becomes `defaultValue`.
    virtual Status GetSetting(const std::string& appName, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::string& value) = 0;
    // Creates section and key as needed.
    virtual Status SaveSetting(const std::string& appName, const std::string& section,
                               const std::string& key, const std::string& value) = 0;
};

// ---------------------------------------------------------------- instance
class SingleInstance {
  public:
    virtual ~SingleInstance() = default;
    // Claims `name` for this process for the rest of its life; true when
    // another process of the same user holds it already.
    virtual bool AnotherInstanceRunning(const std::string& name) = 0;
};

// ---------------------------------------------------------------- shell
// The 88-byte ANSI icon record with its 64-byte tip, as the shell receives it.
struct NotifyIconDataA {
    std::uint32_t cbSize = 0;
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uint32_t hIcon = 0;
    char szTip[64] = {};
};
static_assert(sizeof(NotifyIconDataA) == 88);

constexpr std::uint32_t NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;
constexpr std::uint32_t NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;

struct AppBarData {
    std::uint32_t cbSize = 0;
    std::uint32_t hWnd = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uint32_t uEdge = 0;
    std::int32_t rcLeft = 0, rcTop = 0, rcRight = 0, rcBottom = 0;
    std::int32_t lParam = 0;
};
static_assert(sizeof(AppBarData) == 36);

constexpr std::uint32_t ABM_GETTASKBARPOS = 5;
constexpr int CSIDL_STARTUP = 7;

class Shell {
  public:
    virtual ~Shell() = default;
    virtual bool Shell_NotifyIconA(std::uint32_t dwMessage, const NotifyIconDataA& data) = 0;
    virtual std::uint32_t SHAppBarMessage(std::uint32_t dwMessage, AppBarData& data) = 0;
    // `verb` empty means the file's default action. Returns the shell's code.
    virtual std::intptr_t ShellExecuteA(Hwnd parent, const std::string& verb,
                                        const std::string& file, const std::string& parameters,
                                        const std::string& directory, int showCmd) = 0;
    // SHGetSpecialFolderLocation followed by SHGetPathFromIDList: 0 and the
    // path on success, otherwise the failing call's result.
    virtual std::int32_t SHGetSpecialFolderLocation(Hwnd owner, int folder) = 0;
    virtual bool SHGetPathFromIDList(Hwnd owner, int folder, std::string& path) = 0;
};

// ---------------------------------------------------------------- windows
using WNDENUMPROC = bool (*)(Hwnd hWnd, std::intptr_t lParam);
// The program's own window procedures, with portable argument types.
using WindowProcFn = std::intptr_t (*)(Hwnd hWnd, std::uint32_t uMsg, std::uintptr_t wParam,
                                       std::intptr_t lParam);

constexpr int GWL_WNDPROC = -4;
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5, SW_SHOWMINNOACTIVE = 7, SW_RESTORE = 9,
              SW_SHOWDEFAULT = 10;
constexpr Hwnd HWND_NOTOPMOST = 0xFFFFFFFEu; // (HWND)-2
constexpr std::uint32_t WM_CLOSE = 0x10, WM_KEYDOWN = 0x100, WM_KEYUP = 0x101;
constexpr std::uint32_t SMTO_NORMAL = 0x0, SMTO_ABORTIFHUNG = 0x2;
constexpr std::uint32_t SWP_ASYNCWINDOWPOS = 0x4000;
constexpr std::uint32_t SPI_SETSCREENSAVEACTIVE = 17, SPI_GETSCREENSAVETIMEOUT = 14,
                        SPI_SETSCREENSAVETIMEOUT = 15, SPI_GETWORKAREA = 48;
constexpr std::uint32_t SPIF_SENDWININICHANGE = 2;

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class Windows {
  public:
    virtual ~Windows() = default;
    // A null pointer stands for a NULL argument (any class, any title).
    virtual Hwnd FindWindowA(const char* className, const char* windowName) = 0;
    virtual Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter, const char* className,
                               const char* windowName) = 0;
    virtual bool EnumWindows(WNDENUMPROC proc, std::intptr_t lParam) = 0;
    // Both read at most maxCount - 1 characters and return how many they read.
    virtual int GetClassNameA(Hwnd hWnd, std::string& text, int maxCount) = 0;
    virtual int GetWindowTextA(Hwnd hWnd, std::string& text, int maxCount) = 0;
    virtual Hwnd GetForegroundWindow() = 0;
    virtual Hwnd GetDesktopWindow() = 0;
    virtual bool IsWindow(Hwnd hWnd) = 0;
    virtual bool IsWindowVisible(Hwnd hWnd) = 0;
    virtual bool IsIconic(Hwnd hWnd) = 0;
    virtual std::uint32_t GetWindowThreadProcessId(Hwnd hWnd) = 0;
    virtual bool AttachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo,
                                   bool attach) = 0;
    virtual bool SetForegroundWindow(Hwnd hWnd) = 0;
    virtual Hwnd SetActiveWindow(Hwnd hWnd) = 0;
    virtual bool ShowWindow(Hwnd hWnd, int cmdShow) = 0;
    virtual bool SetWindowPos(Hwnd hWnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                              std::uint32_t flags) = 0;
    virtual bool PostMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                              std::intptr_t lParam) = 0;
    virtual std::intptr_t SendMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                       std::intptr_t lParam) = 0;
    // SendMessageTimeoutA: false when the window did not answer within
    // `timeoutMs` or, with SMTO_ABORTIFHUNG, is hung; `result` is then 0.
    virtual bool SendMessageTimeoutA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                     std::intptr_t lParam, std::uint32_t flags,
                                     std::uint32_t timeoutMs, std::intptr_t& result) = 0;
    // The address Windows can call for one of the program's window procedures
    // (the value handed to SetWindowLongA with GWL_WNDPROC).
    virtual std::uintptr_t AddressOfWindowProc(WindowProcFn proc) = 0;
    // SetWindowLongA (SetWindowLongPtrA on 64-bit Windows): the previous value, 0 on failure.
    virtual std::uintptr_t SetWindowLongA(Hwnd hWnd, int index, std::uintptr_t newLong) = 0;
    virtual std::intptr_t CallWindowProcA(std::uintptr_t prevProc, Hwnd hWnd, std::uint32_t msg,
                                          std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual std::int16_t GetAsyncKeyState(int vKey) = 0;
    // 0 when the name cannot be registered.
    virtual std::uint32_t RegisterWindowMessageA(const std::string& name) = 0;
    // SystemParametersInfoA; `pvParam` points to what the action reads or
    // fills (Rect for SPI_GETWORKAREA, std::uint32_t for a time-out).
    virtual bool SystemParametersInfoA(std::uint32_t uiAction, std::uint32_t uiParam, void* pvParam,
                                       std::uint32_t fWinIni) = 0;

    // Calls that never wait on another program's thread, and what tells
    // that a program has stopped answering.
    // ShowWindowAsync: the command is posted to the window's thread, which
    // carries it out when it next handles messages. False when it cannot be posted.
    virtual bool ShowWindowAsync(Hwnd hWnd, int cmdShow) = 0;
    // True when the window's thread has not been taking messages for a while.
    virtual bool IsHungAppWindow(Hwnd hWnd) = 0;
    // The thread that made the window, and its process in `processId` (0
    // for no window).
    virtual std::uint32_t GetWindowThreadProcessId(Hwnd hWnd, std::uint32_t& processId) = 0;
    // While the program holds up the end of the session, the reason Windows
    // shows for it beside the program's name.
    virtual bool ShutdownBlockReasonCreate(Hwnd hWnd, const std::string& reason) = 0;
    virtual bool ShutdownBlockReasonDestroy(Hwnd hWnd) = 0;
};

// ---------------------------------------------------------------- kernel
struct FindData {
    std::uint32_t attributes = 0;
    std::string fileName;
};

// An open find handle; destroying it calls FindClose.
class FindHandle {
  public:
    virtual ~FindHandle() = default;
    virtual const FindData& Data() const = 0;
};

// A folder held open by Kernel::OpenFolder; destroying it closes it.
class FolderHandle {
  public:
    virtual ~FolderHandle() = default;
    // Read through the handle: FILE_ATTRIBUTE_REPARSE_POINT when a link itself was opened.
    virtual std::uint32_t Attributes() const = 0;
    // Where the handle really is (GetFinalPathNameByHandle, links resolved,
    // long names), as "C:\..." or "\\server\share\...".
    virtual const std::string& FinalPath() const = 0;
};

constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x1, FILE_ATTRIBUTE_DIRECTORY = 0x10,
                        FILE_ATTRIBUTE_NORMAL = 0x80, FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// The fixed part of a version resource, as VerQueryValueA returns it for "\".
struct VsFixedFileInfo {
    std::uint32_t dwSignature = 0, dwStrucVersion = 0, dwFileVersionMS = 0, dwFileVersionLS = 0,
                  dwProductVersionMS = 0, dwProductVersionLS = 0, dwFileFlagsMask = 0,
                  dwFileFlags = 0, dwFileOS = 0, dwFileType = 0, dwFileSubtype = 0,
                  dwFileDateMS = 0, dwFileDateLS = 0;
};
static_assert(sizeof(VsFixedFileInfo) == 52);

class Kernel {
  public:
    virtual ~Kernel() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Returns the count of characters copied (the reader's own result).
    virtual std::int32_t GetPrivateProfileStringA(const std::string& section,
                                                  const std::string& key,
                                                  const std::string& defaultValue,
                                                  std::string& value, std::uint32_t size,
                                                  const std::string& fileName) = 0;
    // Null when nothing is found (INVALID_HANDLE_VALUE).
    virtual std::unique_ptr<FindHandle> FindFirstFileA(const std::string& fileName) = 0;
    virtual std::uint32_t GetShortPathNameA(const std::string& longPath, std::string& shortPath,
                                            std::uint32_t size) = 0;
    // A list box's directory fill (LB_DIR) with its attribute mask: the names
    // the list box would hold, in its order (directories as "[name]").
    virtual std::vector<std::string> ListBoxDir(std::uint32_t attributes,
                                                const std::string& fileSpec) = 0;
    // ---- changes confined to a folder
    // Opens a folder (or whatever the path names) and holds it open for the
    // length of a run of changes inside it, so that it cannot be renamed or
    // replaced meanwhile. `followLinks` false opens a link itself where
    // Windows can (FILE_FLAG_OPEN_REPARSE_POINT; Wine opens a Unix link as its
    // target, which the final path then shows). Null when it cannot be opened.
    virtual std::unique_ptr<FolderHandle> OpenFolder(const std::string& path, bool followLinks) = 0;
    // SetFileAttributes, DeleteFile and RemoveDirectory of the ads cleanup,
    // confined to `inside`: each call opens its file or folder without
    // following links, goes on only when the final path of what it opened
    // lies below the final path of `inside`, and makes its change through
    // that handle (attributes, or deletion once the handle closes). So the
    // program keeps the algorithm's steps, each taking the folder it must
    // stay in, and no name and no change between the listing and a step can
    // take a step outside. RemoveDirectoryA never removes a reparse point,
    // DeleteFileA never a folder. False when the path leads outside or the
    // change fails.
    virtual bool SetFileAttributesA(const FolderHandle& inside, const std::string& fileName,
                                    std::uint32_t attributes) = 0;
    virtual bool DeleteFileA(const FolderHandle& inside, const std::string& fileName) = 0;
    virtual bool RemoveDirectoryA(const FolderHandle& inside, const std::string& path) = 0;
    // The Windows folder (GetWindowsDirectory), where INI files named without
    // a folder live.
    virtual std::string GetWindowsDirectoryA() = 0;
    // Where Windows redirects a legacy program's writes to `path`: the user's
    // %LOCALAPPDATA%\VirtualStore + the path without its drive, for a path
    // below the Windows folder, Program Files (either) or ProgramData. Empty
    // for any other path. Whether anything is there is not looked at.
    virtual std::string VirtualStorePath(const std::string& path) = 0;
    // Starts the program file `path` (a full path, never searched for)
    // without arguments, in its own folder, without waiting for it, its window
    // shown with `showCmd`.
    virtual Status StartProcess(const std::string& path, int showCmd) = 0;
    // The full path of the running program's own executable file.
    virtual std::string GetModuleFileNameA() = 0;
    virtual std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) = 0;
    virtual bool GetFileVersionInfoA(const std::string& fileName, std::uint32_t handle,
                                     std::uint32_t size, std::vector<std::uint8_t>& data) = 0;
    // Copies the value found at `subBlock` of a block read above.
    virtual bool VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                                std::vector<std::uint8_t>& value) = 0;
};

// ---------------------------------------------------------------- clock
class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds on a clock that never goes back and never restarts.
    virtual std::uint64_t MonotonicMilliseconds() = 0;
};

// ---------------------------------------------------------------- clipboard
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual Status EmptyClipboard() = 0;
    virtual bool IsClipboardFormatAvailable(std::uint32_t format) = 0;
    // 0 when the name cannot be registered.
    virtual std::uint32_t RegisterClipboardFormatA(const std::string& name) = 0;
};

// ---------------------------------------------------------------- shell links
// The three-function library that puts shortcuts into program groups, loaded
// by name on first use. A failure to load it or to find a function comes back
// as a Status; otherwise `result` holds the function's own result.
class ShellLinkLibrary {
  public:
    virtual ~ShellLinkLibrary() = default;
    virtual Status fCreateShellFolder(const std::string& group, std::int32_t& result) = 0;
    virtual Status fCreateShellLink(const std::string& group, const std::string& link,
                                    const std::string& target, const std::string& arguments,
                                    std::int32_t& result) = 0;
    virtual Status fRemoveShellLink(const std::string& group, const std::string& link,
                                    std::int32_t& result) = 0;
};

// ---------------------------------------------------------------- all of it
// One platform object is handed to the program at start.
struct Platform {
    SettingsStore& settings;
    SingleInstance& instance;
    Shell& shell;
    Windows& windows;
    Kernel& kernel;
    Clock& clock;
    Clipboard& clipboard;
    UserInterface& ui;
    ShellLinkLibrary& shellLinks;
};

} // namespace pocketry::platform
