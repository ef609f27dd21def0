// The contract cases' bed on real Windows: temporary files, and helper threads that send
// messages and answer message boxes, each with a time-out so a failing case never hangs.
#include "platform/win32/Win32Platform.h"

#include "contract.h"

#include <filesystem>
#include <fstream>
#include <utility>

namespace pocketry::contract {

namespace {

using namespace platform::win32;

const std::string kSettingsKey =
    std::string("Software\\VB and VBA Program Settings\\") + kContractApp;
constexpr int kPollMs = 20;

// Polls until `done` holds, for a few seconds at most.
bool WaitFor(const std::function<bool()>& done) {
    for (std::uint32_t waited = 0; waited < kWaitMs; waited += kPollMs) {
        if (done())
            return true;
        ::Sleep(kPollMs);
    }
    return false;
}

// Through the shell, which clears read-only files and removes a link as a
// link (Wine's shell goes into a Unix link first: the cases link only within
// their own folder).
void RemoveTree(const std::string& path) {
    const std::wstring from = Wide(path) + L'\0'; // a list of names, ended by an empty one
    SHFILEOPSTRUCTW deletion{};
    deletion.wFunc = FO_DELETE;
    deletion.pFrom = from.c_str();
    deletion.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&deletion);
}

bool IsDirectoryLink(const std::filesystem::path& path) {
    constexpr DWORD kLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & kLink) == kLink;
}

// Under Wine: a Unix symbolic link made by /bin/ln, which Wine starts as a Unix program
// (without a process handle to wait on) in the link's folder, the target named from there.
bool MakeUnixLink(const std::filesystem::path& link, const std::filesystem::path& target) {
    const std::filesystem::path folder = link.parent_path();
    std::wstring line = L"ln -s \"" + target.lexically_relative(folder).generic_wstring() +
                        L"\" \"" + link.filename().wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(L"\\\\?\\unix\\bin\\ln", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.c_str(), &startup, &info) == 0)
        return false;
    const OwnedHandle process(info.hProcess), thread(info.hThread);
    return WaitFor([&] { return IsDirectoryLink(link); });
}

// What a window shows, read as the program reads any window's text (GetWindowTextW).
std::string TextOf(HWND hwnd) {
    std::string text;
    Windows().GetWindowTextA(ToHwnd(hwnd), text, 1024);
    return text;
}

BOOL CALLBACK NoteText(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(TextOf(hwnd));
    return TRUE;
}

// Threads on the Windows API itself: the toolchain's win32 thread model
// (which keeps winpthread out of the shipped program) has no std::thread.
DWORD WINAPI RunThread(void* body) {
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
    (*owned)();
    return 0;
}

OwnedHandle StartThread(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    const HANDLE thread = ::CreateThread(nullptr, 0, &RunThread, owned.get(), 0, nullptr);
    if (thread != nullptr)
        static_cast<void>(owned.release()); // the thread's now
    return OwnedHandle(thread);
}

// The loop's time limit, on the bed's own thread.
bool loopTimedOut = false;

VOID CALLBACK EndLoop(HWND, UINT, UINT_PTR, DWORD) {
    loopTimedOut = true;
    ::PostQuitMessage(0);
}

class Win32Bed final : public Bed {
  public:
    Win32Bed() : platform_(::GetModuleHandleW(nullptr)) {}
    ~Win32Bed() override {
        JoinHelpers();
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it)
            RemoveTree(*it);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey.c_str());
    }

    platform::Platform& Api() override { return platform_.Api(); }
    bool IsWine() const override {
        return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    }

    std::string MakeTempFolder() override {
        // Numbered across the run: a folder left behind (a Unix link in it) is not met again.
        static int made = 0;
        const std::wstring name = L"pocketry-contract-" + std::to_wstring(::GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(++made);
        folders_.push_back(Utf8((std::filesystem::temp_directory_path() / name).wstring()));
        MakeEntry(folders_.back(), FILE_ATTRIBUTE_DIRECTORY);
        return folders_.back();
    }
    void MakeEntry(const std::string& path, std::uint32_t attributes) override {
        const std::wstring wide = Wide(path);
        const bool made =
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                ? ::CreateDirectoryW(wide.c_str(), nullptr) != 0
                : WriteNewFile(path, "") && ::SetFileAttributesW(wide.c_str(), attributes) != 0;
        if (!made)
            ADD_FAILURE() << "cannot make " << path;
    }
    bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
        const std::filesystem::path wideLink = Wide(link), wideTarget = Wide(target);
        constexpr DWORD kUnprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
        ::CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged);
        return IsDirectoryLink(wideLink) || (IsWine() && MakeUnixLink(wideLink, wideTarget));
    }
    void MakeAnsiIniFile(const std::string& path, const std::string& section,
                         const std::string& key, const std::string& value) override {
        // A character the code page lacks becomes "?", and the case reads that back.
        const std::wstring wide = Wide("[" + section + "]\r\n" + key + "=" + value + "\r\n");
        std::string ansi(wide.size() * 2, '\0');
        ansi.resize(static_cast<std::size_t>(::WideCharToMultiByte(
            CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(),
            static_cast<int>(ansi.size()), nullptr, nullptr)));
        if (!WriteNewFile(path, ansi))
            ADD_FAILURE() << "cannot write " << path;
    }

    void SendFromElsewhere(Hwnd hWnd, std::vector<SentMessage> messages,
                           std::vector<std::intptr_t>& results) override {
        helpers_.push_back(StartThread([this, hWnd, messages, &results] {
            ::Sleep(kSendDelayMs);
            for (const SentMessage& m : messages) {
                std::intptr_t result = 0;
                const bool ok = Api().windows.SendMessageTimeoutA(hWnd, m.msg, m.wParam, m.lParam,
                                                                  SMTO_NORMAL, kWaitMs, result);
                results.push_back(ok ? result : -1);
            }
        }));
    }
    bool RunLoop() override {
        loopTimedOut = false;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, kWaitMs, &EndLoop);
        Api().ui.RunMessageLoop();
        ::KillTimer(nullptr, timer);
        JoinHelpers();
        return !loopTimedOut;
    }

    void PressKey(platform::Form& form, int vKey) override {
        platform::Windows& w = Api().windows;
        // The user's keys reach the active window: the user has clicked it.
        w.SetForegroundWindow(form.hWnd());
        w.SetActiveWindow(form.hWnd());
        w.PostMessageA(form.hWnd(), WM_KEYDOWN, static_cast<std::uintptr_t>(vKey), 1);
    }
    void AnswerNextMsgBox(int button, Hwnd watched, BoxSeen& seen) override {
        helpers_.push_back(StartThread([this, button, watched, &seen, ui = ::GetCurrentThreadId()] {
            // A dialog of the bed's own thread on the screen; its static
            // control 0xFFFF holds the message.
            HWND box = nullptr;
            auto shown = [&] {
                while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr)
                    if (::GetWindowThreadProcessId(box, nullptr) == ui && ::IsWindowVisible(box))
                        return true;
                return false;
            };
            if (WaitFor(shown)) {
                seen = {ToHwnd(::GetWindow(box, GW_OWNER)), IsWindowEnabled(watched),
                        TextOf(::GetDlgItem(box, 0xFFFF)), TextOf(box)};
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            }
        }));
    }
    bool IsWindowEnabled(Hwnd hWnd) override { return ::IsWindowEnabled(ToHWND(hWnd)) != 0; }
    std::vector<std::string> ShownTexts(Hwnd form) override {
        std::vector<std::string> texts{TextOf(ToHWND(form))};
        ::EnumChildWindows(ToHWND(form), &NoteText, reinterpret_cast<LPARAM>(&texts));
        return texts;
    }

  private:
    static bool WriteNewFile(const std::string& path, const std::string& bytes) {
        std::ofstream file(std::filesystem::path(Wide(path)), std::ios::binary);
        file << bytes << std::flush;
        return file.good();
    }
    // Waits for the helper threads, handling what they send meanwhile.
    void JoinHelpers() {
        for (const OwnedHandle& thread : helpers_) {
            HANDLE handle = thread.get();
            while (::MsgWaitForMultipleObjects(1, &handle, FALSE, kPollMs, QS_SENDMESSAGE) !=
                   WAIT_OBJECT_0) {
                MSG msg{};
                ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
        helpers_.clear();
    }

    const ComApartment com_; // as the program's entry has one
    Win32Platform platform_;
    std::vector<std::string> folders_;
    std::vector<OwnedHandle> helpers_;
};

} // namespace

std::unique_ptr<Bed> MakeBed() {
    return std::make_unique<Win32Bed>();
}

} // namespace pocketry::contract
