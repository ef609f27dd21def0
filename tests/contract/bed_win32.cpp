// The contract cases' bed on real Windows: temporary files, helper threads
// that send messages and answer message boxes (each with a time-out, so a
// failing case fails rather than hangs), and the registry read directly.
#include "platform/win32/Win32Platform.h"

#include "bed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace pocketry::contract {

namespace {

using platform::win32::ToHWND;
using platform::win32::ToHwnd;
using platform::win32::Wide;

constexpr DWORD kSendTimeoutMs = 5000;
constexpr int kBoxWaitMs = 5000, kPollMs = 20;

// Names in any script; a link is removed, never followed into (Wine's
// RemoveDirectory removes an empty target of a Unix link instead, and the
// link stays behind).
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    const HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        const platform::win32::OwnedFind owner(find);
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring full = path + L"\\" + name;
            const DWORD a = found.dwFileAttributes;
            if ((a & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                ::RemoveDirectoryW(full.c_str());
                continue;
            }
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((a & FILE_ATTRIBUTE_DIRECTORY) != 0)
                RemoveTree(full);
            else
                ::DeleteFileW(full.c_str());
        } while (::FindNextFileW(find, &found) != 0);
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(path.c_str());
}

void RemoveTree(const std::string& path) {
    RemoveTree(Wide(path));
}

bool IsDirectoryLink(const std::wstring& path) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES &&
           (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

// Under Wine: a Unix symbolic link made by /bin/ln, which Wine starts as a
// Unix program when asked to start it (without a process handle to wait on).
bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    using DosName = WCHAR*(CDECL*)(LPCSTR);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
    const auto dosName = reinterpret_cast<DosName>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (unixName == nullptr || dosName == nullptr)
        return false;
    char* unixLink = unixName(link.c_str());
    char* unixTarget = unixName(target.c_str());
    WCHAR* ln = dosName("/bin/ln");
    bool started = false;
    if (unixLink != nullptr && unixTarget != nullptr && ln != nullptr) {
        std::wstring line = L"ln -s \"" + Wide(unixTarget) + L"\" \"" + Wide(unixLink) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        started = ::CreateProcessW(ln, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info) != 0;
        if (info.hProcess != nullptr)
            ::CloseHandle(info.hProcess);
        if (info.hThread != nullptr)
            ::CloseHandle(info.hThread);
    }
    for (void* p :
         {static_cast<void*>(unixLink), static_cast<void*>(unixTarget), static_cast<void*>(ln)})
        if (p != nullptr)
            ::HeapFree(::GetProcessHeap(), 0, p);
    for (int waited = 0; started && waited < kBoxWaitMs; waited += kPollMs) {
        if (IsDirectoryLink(link))
            return true;
        ::Sleep(kPollMs);
    }
    return false;
}

struct BoxSearch {
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lParam) {
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(hwnd) != 0) {
        reinterpret_cast<BoxSearch*>(lParam)->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A window's text as Windows holds it, in UTF-16, turned into UTF-8.
std::string ShownText(HWND hwnd) {
    wchar_t text[1024] = {};
    const int length = ::GetWindowTextW(hwnd, text, 1024);
    return platform::win32::Utf8(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

BOOL CALLBACK NoteText(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(ShownText(hwnd));
    return TRUE;
}

// The text of a message box's message: its static control 0xFFFF.
constexpr int kMessageBoxTextId = 0xFFFF;

// Threads and a lock on the Windows API itself: the toolchain's win32 thread
// model (which keeps winpthread out of the shipped program) has no std::thread
// nor std::mutex.
class Thread {
  public:
    Thread() = default;
    explicit Thread(std::function<void()> body)
        : body_(std::make_unique<std::function<void()>>(std::move(body))),
          handle_(::CreateThread(nullptr, 0, &Run, body_.get(), 0, nullptr)) {}
    Thread(Thread&& other) noexcept
        : body_(std::move(other.body_)), handle_(std::exchange(other.handle_, nullptr)) {}
    Thread& operator=(Thread&& other) noexcept {
        join();
        body_ = std::move(other.body_);
        handle_ = std::exchange(other.handle_, nullptr);
        return *this;
    }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    ~Thread() { join(); }
    bool joinable() const { return handle_ != nullptr; }
    void join() {
        if (handle_ != nullptr) {
            ::WaitForSingleObject(handle_, INFINITE);
            ::CloseHandle(handle_);
            handle_ = nullptr;
        }
    }

  private:
    static DWORD WINAPI Run(void* body) {
        (*static_cast<std::function<void()>*>(body))();
        return 0;
    }
    std::unique_ptr<std::function<void()>> body_;
    HANDLE handle_ = nullptr;
};

class Mutex {
  public:
    void lock() { ::AcquireSRWLockExclusive(&lock_); }
    void unlock() { ::ReleaseSRWLockExclusive(&lock_); }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class Win32Bed final : public Bed {
  public:
    Win32Bed() : platform_(::GetModuleHandleA(nullptr)), uiThread_(::GetCurrentThreadId()) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, SettingsKey(kContractApp, "").c_str());
    }
    ~Win32Bed() override {
        JoinHelpers();
        if (boxThread_.joinable())
            boxThread_.join();
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it)
            RemoveTree(*it);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, SettingsKey(kContractApp, "").c_str());
    }
    Win32Bed(const Win32Bed&) = delete;
    Win32Bed& operator=(const Win32Bed&) = delete;

    platform::Platform& Api() override { return platform_.Api(); }
    bool IsWine() const override {
        const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
    std::vector<std::string> Problems() override {
        const std::lock_guard<Mutex> lock(mutex_);
        return problems_;
    }

    // ---- files
    std::string MakeTempFolder() override {
        char temp[MAX_PATH + 1] = {};
        const DWORD n = ::GetTempPathA(MAX_PATH, temp);
        std::string base(temp, n);
        if (!base.empty() && base.back() == '\\')
            base.pop_back();
        // Numbered across the run: a folder a case could not remove (a Unix
        // link in it) is not met again.
        static int made = 0;
        const std::string path = base + "\\pocketry-contract-" +
                                 std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(++made);
        RemoveTree(path);
        if (::CreateDirectoryA(path.c_str(), nullptr) == 0)
            AddProblem("cannot create " + path);
        folders_.push_back(path);
        return path;
    }
    void MakeFolder(const std::string& path) override {
        if (::CreateDirectoryW(Wide(path).c_str(), nullptr) == 0)
            AddProblem("cannot create " + path);
    }
    void MakeFile(const std::string& path, std::uint32_t attributes) override {
        const HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            AddProblem("cannot create " + path);
            return;
        }
        ::CloseHandle(file);
        if (::SetFileAttributesW(Wide(path).c_str(), attributes) == 0)
            AddProblem("cannot set the attributes of " + path);
    }
    bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
        const std::wstring wideLink = Wide(link), wideTarget = Wide(target);
        constexpr DWORD kUnprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
        ::CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged);
        return IsDirectoryLink(wideLink) || (IsWine() && MakeUnixLink(wideLink, wideTarget));
    }

    void MakeAnsiIniFile(const std::string& path, const std::string& text) override {
        const std::wstring wide = platform::win32::Wide(text);
        BOOL lost = FALSE;
        const int bytes =
            ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                  static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
        std::string ansi(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                              static_cast<int>(wide.size()), ansi.data(), bytes, nullptr, &lost);
        if (lost != FALSE)
            AddProblem("the ANSI code page cannot hold the text of " + path);
        const HANDLE raw = ::CreateFileW(platform::win32::Wide(path).c_str(), GENERIC_WRITE, 0,
                                         nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (raw == INVALID_HANDLE_VALUE) {
            AddProblem("cannot create " + path);
            return;
        }
        const platform::win32::OwnedHandle file(raw);
        DWORD written = 0;
        if (::WriteFile(raw, ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr) ==
                0 ||
            written != ansi.size())
            AddProblem("cannot write " + path);
    }
    // tests/e2e/contract.py runs the suite from there.
    std::string ProgramPath() override { return "C:\\テスト\\pocketry-contract.exe"; }

    // ---- messages
    void SendFromElsewhere(Hwnd hWnd, std::vector<SentMessage> messages,
                           std::uint32_t delayMs) override {
        ++running_;
        helpers_.emplace_back([this, hWnd, messages, delayMs] {
            ::Sleep(delayMs);
            for (const SentMessage& m : messages) {
                DWORD_PTR result = 0;
                const LRESULT ok = ::SendMessageTimeoutA(ToHWND(hWnd), m.msg, m.wParam, m.lParam,
                                                         SMTO_NORMAL, kSendTimeoutMs, &result);
                const std::lock_guard<Mutex> lock(mutex_);
                results_.push_back(ok != 0 ? static_cast<std::intptr_t>(result) : -1);
            }
            --running_;
        });
    }
    std::vector<std::intptr_t> SendResults() override {
        JoinHelpers();
        const std::lock_guard<Mutex> lock(mutex_);
        return results_;
    }
    bool RunLoop(std::uint32_t timeoutMs) override {
        const platform::win32::OwnedHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        std::atomic<bool> timedOut{false};
        const DWORD ui = uiThread_;
        Thread watchdog([&] {
            if (::WaitForSingleObject(done.get(), timeoutMs) == WAIT_TIMEOUT) {
                timedOut = true;
                ::PostThreadMessageA(ui, WM_QUIT, 0, 0); // makes the loop return
            }
        });
        Api().ui.RunMessageLoop();
        ::SetEvent(done.get());
        watchdog.join();
        JoinHelpers();
        // A quit request left for the next loop would end it at once.
        MSG msg{};
        while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0) {
        }
        return !timedOut;
    }

    // ---- the user
    void PressKey(platform::Form& form, int vKey) override {
        const HWND hwnd = ToHWND(form.hWnd());
        // The user's keys reach the active window: the user has clicked it.
        if (::GetActiveWindow() != hwnd) {
            ::SetForegroundWindow(hwnd);
            ::SetActiveWindow(hwnd);
        }
        const UINT scan = ::MapVirtualKeyA(static_cast<UINT>(vKey), MAPVK_VK_TO_VSC);
        ::PostMessageA(hwnd, WM_KEYDOWN, static_cast<WPARAM>(vKey),
                       static_cast<LPARAM>(1 | (scan << 16)));
    }
    void AnswerNextMsgBox(int button, Hwnd watched) override {
        if (boxThread_.joinable())
            boxThread_.join();
        {
            const std::lock_guard<Mutex> lock(mutex_);
            seen_ = {};
        }
        const DWORD ui = uiThread_;
        boxThread_ = Thread([this, button, watched, ui] {
            for (int waited = 0; waited < kBoxWaitMs; waited += kPollMs) {
                BoxSearch search;
                ::EnumThreadWindows(ui, &FindBox, reinterpret_cast<LPARAM>(&search));
                if (search.box != nullptr) {
                    const HWND owner = ::GetWindow(search.box, GW_OWNER);
                    const bool enabled = ::IsWindowEnabled(ToHWND(watched)) != 0;
                    const std::string text = ShownText(::GetDlgItem(search.box, kMessageBoxTextId));
                    const std::string caption = ShownText(search.box);
                    {
                        const std::lock_guard<Mutex> lock(mutex_);
                        seen_ = {true, ToHwnd(owner), enabled, text, caption};
                    }
                    ::PostMessageA(search.box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                    return;
                }
                ::Sleep(kPollMs);
            }
            AddProblem("no message box opened");
        });
    }
    BoxSeen LastBox() override {
        if (boxThread_.joinable())
            boxThread_.join();
        const std::lock_guard<Mutex> lock(mutex_);
        return seen_;
    }
    bool IsWindowEnabled(Hwnd hWnd) override { return ::IsWindowEnabled(ToHWND(hWnd)) != 0; }
    std::vector<std::string> ShownTexts(Hwnd form) override {
        std::vector<std::string> texts{ShownText(ToHWND(form))};
        ::EnumChildWindows(ToHWND(form), &NoteText, reinterpret_cast<LPARAM>(&texts));
        return texts;
    }

    // ---- the registry
    std::optional<std::uint32_t> SettingType(const std::string& app, const std::string& section,
                                             const std::string& key) override {
        HKEY raw = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey(app, section).c_str(), 0,
                            KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
            return std::nullopt;
        const platform::win32::OwnedKey owner(raw);
        DWORD type = 0;
        if (::RegQueryValueExA(raw, key.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
            return std::nullopt;
        return static_cast<std::uint32_t>(type);
    }

  private:
    static std::string SettingsKey(const std::string& app, const std::string& section) {
        return "Software\\VB and VBA Program Settings\\" + app +
               (section.empty() ? "" : "\\" + section);
    }
    void AddProblem(std::string text) {
        const std::lock_guard<Mutex> lock(mutex_);
        problems_.push_back(std::move(text));
    }
    // Waits for the sending threads, handling what they send meanwhile.
    void JoinHelpers() {
        for (int waited = 0; running_ > 0 && waited < 2 * static_cast<int>(kSendTimeoutMs);
             waited += kPollMs) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_SENDMESSAGE);
            MSG msg{};
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        for (Thread& t : helpers_)
            t.join();
        helpers_.clear();
    }

    platform::win32::Win32Platform platform_;
    DWORD uiThread_;
    std::vector<std::string> folders_;
    Mutex mutex_;
    std::vector<std::intptr_t> results_;
    std::vector<std::string> problems_;
    BoxSeen seen_;
    std::vector<Thread> helpers_;
    std::atomic<int> running_{0};
    Thread boxThread_;
};

} // namespace

std::unique_ptr<Bed> MakeBed() {
    return std::make_unique<Win32Bed>();
}

} // namespace pocketry::contract

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    const pocketry::platform::win32::ComApartment com; // as the program's entry does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
