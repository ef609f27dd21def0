// The contract cases' bed on real Windows: temporary files, and helper threads that send
// messages and answer message boxes, each with a time-out so a failing case never hangs.
#include "platform/win32/Win32Platform.h"

#include "contract.h"

#include <filesystem>
#include <fstream>
#include <utility>

namespace pocketry::contract {

namespace {

using platform::win32::OwnedHandle;
using platform::win32::ToHWND;
using platform::win32::ToHwnd;
using platform::win32::Wide;

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

bool IsDirectoryLink(const std::wstring& path) {
    constexpr DWORD kLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & kLink) == kLink;
}

// Under Wine: a Unix symbolic link made by /bin/ln, which Wine starts as a
// Unix program (without a process handle to wait on) from its Unix name.
bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
    const auto unixName = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        return false;
    auto unixPath = [unixName](const std::wstring& path) { // Wine's text, on the process heap
        char* name = unixName(path.c_str());
        const std::wstring wide = name != nullptr ? Wide(name) : L"";
        ::HeapFree(::GetProcessHeap(), 0, name);
        return wide;
    };
    std::wstring line = L"ln -s \"" + unixPath(target) + L"\" \"" + unixPath(link) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(L"\\\\?\\unix\\bin\\ln", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &info) == 0)
        return false;
    const OwnedHandle process(info.hProcess), thread(info.hThread);
    return WaitFor([&] { return IsDirectoryLink(link); });
}

// A window's text as Windows holds it, in UTF-16, turned into UTF-8.
std::string ShownText(HWND hwnd) {
    wchar_t text[1024] = {};
    return platform::win32::Utf8(text,
                                 static_cast<std::size_t>(::GetWindowTextW(hwnd, text, 1024)));
}

BOOL CALLBACK NoteText(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(ShownText(hwnd));
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
    Win32Bed() : platform_(::GetModuleHandleW(nullptr)) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey.c_str());
    }
    ~Win32Bed() override {
        JoinHelpers();
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it)
            RemoveTree(*it);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey.c_str());
    }

    platform::Platform& Api() override { return platform_.Api(); }
    bool IsWine() const override {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }

    std::string MakeTempFolder() override {
        wchar_t temp[MAX_PATH + 1] = {}; // ends with a backslash
        const std::string base = platform::win32::Utf8(temp, ::GetTempPathW(MAX_PATH, temp));
        // Numbered across the run: a folder left behind (a Unix link in it) is not met again.
        static int made = 0;
        const std::string path = base + "pocketry-contract-" +
                                 std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(++made);
        RemoveTree(path);
        MakeEntry(path, FILE_ATTRIBUTE_DIRECTORY);
        folders_.push_back(path);
        return path;
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
        const std::wstring wideLink = Wide(link), wideTarget = Wide(target);
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
        helpers_.push_back(StartThread([hWnd, messages, &results] {
            ::Sleep(kSendDelayMs);
            for (const SentMessage& m : messages) {
                DWORD_PTR result = 0;
                const LRESULT ok = ::SendMessageTimeoutW(ToHWND(hWnd), m.msg, m.wParam, m.lParam,
                                                         SMTO_NORMAL, kWaitMs, &result);
                results.push_back(ok != 0 ? static_cast<std::intptr_t>(result) : -1);
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
        const HWND hwnd = ToHWND(form.hWnd());
        // The user's keys reach the active window: the user has clicked it.
        ::SetForegroundWindow(hwnd);
        ::SetActiveWindow(hwnd);
        const UINT scan = ::MapVirtualKeyW(static_cast<UINT>(vKey), MAPVK_VK_TO_VSC);
        ::PostMessageW(hwnd, WM_KEYDOWN, static_cast<WPARAM>(vKey),
                       static_cast<LPARAM>(1 | (scan << 16)));
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
                        ShownText(::GetDlgItem(box, 0xFFFF)), ShownText(box)};
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            }
        }));
    }
    bool IsWindowEnabled(Hwnd hWnd) override { return ::IsWindowEnabled(ToHWND(hWnd)) != 0; }
    std::vector<std::string> ShownTexts(Hwnd form) override {
        std::vector<std::string> texts{ShownText(ToHWND(form))};
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

    platform::win32::Win32Platform platform_;
    std::vector<std::string> folders_;
    std::vector<OwnedHandle> helpers_;
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
