// juno-standin: a scriptable stand-in for the Juno mail client, so that Pocketry can be run
// and tested end to end against real windows. It shows exactly what Pocketry looks for: the
// main window's class, the welcome dialog, the topmost mail transfer dialogs and the
// "Confirm Permanent Delete" question on close. Run with --help for the flags.
#include "resource.h"

#include <windows.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

constexpr char kMainClass[] = "JunoMainWndXQW21";
constexpr char kMainTitle[] = "Juno";
constexpr char kControllerClass[] = "JunoStandinController";
constexpr char kFlagsVariable[] = "JUNO_STANDIN_FLAGS";
constexpr unsigned long long kMaxMs = USER_TIMER_MAXIMUM;
constexpr int kMaxFlagsFileDepth = 8;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadFlags = 2;
constexpr int kExitForeignYes = 3; // --foreign-confirm: "&Yes" was pressed
constexpr int kExitForeignNo = 4;  // --foreign-confirm: "&No", or the question closed

constexpr char kHelp[] =
    R"(juno-standin: a stand-in for the Juno mail client, for testing Pocketry.

Usage: juno-standin.exe [flags]

  --start-delay-ms N       wait N ms before any window appears
  --welcome-ms N           show the "Welcome to Juno" dialog for N ms before the
                           main window appears (0, the default: no welcome dialog)
  --mail-dialog KIND       open a topmost mail dialog once the main window is up:
                           new ("Get New Mail"), send ("Get and Send Mail"),
                           both, or none (the default)
  --mail-dialog-after-ms N open it N ms after the main window appears (default 0)
  --retopmost-ms N         make the open mail dialogs topmost again every N ms
  --confirm-delete         on a close request ask "Confirm Permanent Delete" and
                           exit only on "&Yes" ("&No" cancels the close)
  --confirm-delay-ms N     wait N ms after the close request before asking
  --exit-delay-ms N        keep the windows N ms after the close, then exit
  --no-window-ms N         show no window at all and exit after N ms: a client
                           whose window never appears (0, the default: off)
  --hang-after-ms N        N ms after the main window appears, stop taking
                           messages for good: the main window and the mail
                           dialogs stop answering, as a hung client's do (the
                           process must then be killed)
  --foreign-confirm        be another program that asks "Confirm Permanent
                           Delete": show only that #32770 question, topmost,
                           and exit with 3 once "&Yes" is pressed, 4 on "&No"
                           or when it is closed
  --hold-ads-file NAME     while running, hold NAME in this copy's ads folder
                           (ROOT\ads\NAME) open without delete sharing, so it
                           cannot be deleted
  --flags-file PATH        read more flags from PATH
  --install ROOT           copy this program to ROOT\bin\juno.exe, create ROOT\ads,
                           write "Root Dir=ROOT" to [Configuration] of Juno.ini in
                           the Windows folder, and exit. Any other flags given with
                           it are stored in ROOT\bin\juno.flags for that copy.
  --help                   show this text

A copy started without arguments can still be scripted. Flags are read from, in
order, later ones winning: the file beside the program named after it with the
extension .flags (ROOT\bin\juno.flags for an installed copy), the environment
variable JUNO_STANDIN_FLAGS, and the command line. Flags files and the variable
hold flags separated by white space; "double quotes" group, a # starting a word
comments out the rest of the line. "--flag=value" works as well as "--flag value".

The Mail menu of the main window opens the mail dialogs too. Exit code: 0 after a
normal close or install, 1 on failure, 2 on bad flags (3 or 4 with --foreign-confirm).
)";

// ---------------------------------------------------------------------------------------------
// Handles

struct WindowDestroyer {
    void operator()(HWND window) const noexcept {
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
    }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

class WindowClass {
  public:
    WindowClass(HINSTANCE instance, const WNDCLASSEXA& definition)
        : instance_(instance), name_(definition.lpszClassName),
          registered_(RegisterClassExA(&definition) != 0) {}
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    ~WindowClass() {
        if (registered_) {
            UnregisterClassA(name_, instance_);
        }
    }
    bool Registered() const { return registered_; }

  private:
    HINSTANCE instance_;
    const char* name_;
    bool registered_;
};

class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

class FontSelection {
  public:
    FontSelection(HDC dc, HGDIOBJ font) : dc_(dc), previous_(SelectObject(dc, font)) {}
    FontSelection(const FontSelection&) = delete;
    FontSelection& operator=(const FontSelection&) = delete;
    ~FontSelection() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// MAKEINTRESOURCE without its C-style cast.
LPCSTR ResourceName(WORD id) {
    return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(id));
}

std::string ErrorText(DWORD error) {
    std::array<char, 512> buffer{};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    std::string text(buffer.data(), length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return "error " + std::to_string(error) + (text.empty() ? "" : ": " + text);
}

// A GUI program has no console of its own. Under Wine, and when a script redirects output,
// the standard handles are usable; otherwise try the console of whoever started us, and
// failing that show the text in a message box so it is never lost.
void Report(const std::string& text, bool isError) {
    const DWORD which = isError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE target = GetStdHandle(which);
    Handle console;
    if ((target == nullptr || target == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        console.reset(CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
        target = console.get();
    }
    DWORD written = 0;
    if (target != nullptr && target != INVALID_HANDLE_VALUE &&
        WriteFile(target, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return;
    }
    MessageBoxA(nullptr, text.c_str(), "juno-standin",
                static_cast<UINT>(MB_OK | (isError ? MB_ICONERROR : MB_ICONINFORMATION)));
}

// ---------------------------------------------------------------------------------------------
// Flags

enum class MailDialog { GetNewMail, GetAndSendMail };
constexpr std::array<WORD, 2> kMailDialogResource = {IDD_GET_NEW_MAIL, IDD_GET_AND_SEND_MAIL};

struct Options {
    UINT startDelayMs = 0;
    UINT welcomeMs = 0;
    std::array<bool, 2> mailDialogs{};
    UINT mailDialogAfterMs = 0;
    UINT retopmostMs = 0;
    bool confirmDelete = false;
    UINT confirmDelayMs = 0;
    UINT exitDelayMs = 0;
    UINT noWindowMs = 0;  // 0: the windows as usual
    UINT hangAfterMs = 0; // 0: never hangs
    bool foreignConfirm = false;
    std::optional<std::string> holdAdsFile;
    std::optional<std::string> installRoot;
    bool help = false;
    // The behaviour flags as read, so --install can store them and the window can show them.
    std::vector<std::string> behaviour;
};

std::vector<std::string> SplitFlags(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!quoted && !inWord && c == '#') {
            while (i + 1 < text.size() && text[i + 1] != '\n') {
                ++i;
            }
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

std::string QuoteFlag(const std::string& word) {
    return word.find_first_of(" \t#") == std::string::npos && !word.empty() ? word
                                                                            : '"' + word + '"';
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class FlagParser {
  public:
    explicit FlagParser(Options& options) : options_(options) {}

    // Applies the words to the options; on failure returns a message naming the source.
    std::optional<std::string> Apply(const std::vector<std::string>& words,
                                     const std::string& source, int depth = 0) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            std::string name = words[i];
            std::optional<std::string> value;
            if (const auto equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
            }
            auto takeValue = [&]() -> std::optional<std::string> {
                if (!value && i + 1 < words.size()) {
                    value = words[++i];
                }
                return value;
            };
            if (auto failure = ApplyOne(name, takeValue, value.has_value(), source, depth)) {
                return failure;
            }
        }
        return std::nullopt;
    }

  private:
    template <typename TakeValue>
    std::optional<std::string> ApplyOne(const std::string& name, TakeValue& takeValue,
                                        bool hasInlineValue, const std::string& source, int depth) {
        const std::string where = " (in " + source + ")";
        struct NumberFlag {
            const char* name;
            UINT Options::*field;
        };
        static constexpr std::array<NumberFlag, 8> numberFlags = {{
            {"--start-delay-ms", &Options::startDelayMs},
            {"--welcome-ms", &Options::welcomeMs},
            {"--mail-dialog-after-ms", &Options::mailDialogAfterMs},
            {"--retopmost-ms", &Options::retopmostMs},
            {"--confirm-delay-ms", &Options::confirmDelayMs},
            {"--exit-delay-ms", &Options::exitDelayMs},
            {"--no-window-ms", &Options::noWindowMs},
            {"--hang-after-ms", &Options::hangAfterMs},
        }};
        for (const auto& flag : numberFlags) {
            if (name != flag.name) {
                continue;
            }
            const auto value = takeValue();
            unsigned long long number = 0;
            const char* end = value ? value->data() + value->size() : nullptr;
            if (!value || value->empty() ||
                std::from_chars(value->data(), end, number).ptr != end || number > kMaxMs) {
                return name + " needs a number of milliseconds from 0 to " +
                       std::to_string(kMaxMs) + where;
            }
            options_.*flag.field = static_cast<UINT>(number);
            Remember(name, *value);
            return std::nullopt;
        }
        if (name == "--mail-dialog") {
            const auto value = takeValue();
            const std::string kind = value.value_or("");
            if (kind != "new" && kind != "send" && kind != "both" && kind != "none") {
                return "--mail-dialog needs new, send, both or none" + where;
            }
            options_.mailDialogs = {kind == "new" || kind == "both",
                                    kind == "send" || kind == "both"};
            Remember(name, kind);
        } else if (hasInlineValue && (name == "--confirm-delete" || name == "--help" ||
                                      name == "--foreign-confirm")) {
            return name + " takes no value" + where;
        } else if (name == "--confirm-delete") {
            options_.confirmDelete = true;
            Remember(name, std::nullopt);
        } else if (name == "--foreign-confirm") {
            options_.foreignConfirm = true;
            Remember(name, std::nullopt);
        } else if (name == "--hold-ads-file") {
            const auto value = takeValue();
            if (!value || value->empty() || value->find_first_of("\\/:") != std::string::npos) {
                return "--hold-ads-file needs a file name in the ads folder" + where;
            }
            options_.holdAdsFile = *value;
            Remember(name, *value);
        } else if (name == "--install") {
            const auto value = takeValue();
            if (!value || value->empty()) {
                return "--install needs the root folder" + where;
            }
            options_.installRoot = *value;
        } else if (name == "--flags-file") {
            const auto value = takeValue();
            if (!value || value->empty()) {
                return "--flags-file needs a path" + where;
            }
            if (depth >= kMaxFlagsFileDepth) {
                return "flags files nest too deeply at " + *value + where;
            }
            const auto text = ReadTextFile(*value);
            if (!text) {
                return "cannot read the flags file " + *value + where;
            }
            return Apply(SplitFlags(*text), "flags file " + *value, depth + 1);
        } else if (name == "--help" || name == "-h" || name == "/?") {
            options_.help = true;
        } else {
            return "unknown flag '" + name + "'" + where + "; try --help";
        }
        return std::nullopt;
    }

    void Remember(const std::string& name, const std::optional<std::string>& value) {
        options_.behaviour.push_back(name);
        if (value) {
            options_.behaviour.push_back(*value);
        }
    }

    Options& options_;
};

std::vector<std::string> CommandLineWords() {
    std::vector<std::string> words;
    for (int i = 1; i < __argc; ++i) {
        words.emplace_back(__argv[i]);
    }
    return words;
}

std::string ModulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string FlagsFileBeside(const std::string& programPath) {
    const auto slash = programPath.find_last_of("\\/");
    const auto dot = programPath.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? programPath.substr(0, dot) : programPath) + ".flags";
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::string value(size, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

// Reads the flags. --install and --help are command-line operations: when the command line asks
// for one, the other sources are left out, so that their flags are not copied into the install.
std::optional<std::string> ReadOptions(Options& options) {
    const auto commandLine = CommandLineWords();
    {
        Options fromCommandLine;
        if (auto failure = FlagParser(fromCommandLine).Apply(commandLine, "the command line")) {
            return failure;
        }
        if (fromCommandLine.installRoot || fromCommandLine.help) {
            options = std::move(fromCommandLine);
            return std::nullopt;
        }
    }
    FlagParser parser(options);
    const std::string besideFile = FlagsFileBeside(ModulePath());
    if (const auto text = ReadTextFile(besideFile)) {
        if (auto failure = parser.Apply(SplitFlags(*text), "flags file " + besideFile)) {
            return failure;
        }
    }
    if (const auto text = EnvironmentVariable(kFlagsVariable)) {
        if (auto failure = parser.Apply(SplitFlags(*text), kFlagsVariable)) {
            return failure;
        }
    }
    return parser.Apply(commandLine, "the command line");
}

// ---------------------------------------------------------------------------------------------
// --install

std::optional<std::string> FullPath(const std::string& path) {
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return std::nullopt;
    }
    std::string full(size, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return std::nullopt;
    }
    full.resize(length);
    return full;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the folder and any missing parents. Failures on the way (a drive or share that
// cannot be "created") do not matter as long as the folder exists at the end.
std::optional<std::string> CreateFolders(const std::string& path) {
    for (auto slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1)) {
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    }
    if (!CreateDirectoryA(path.c_str(), nullptr) && !IsDirectory(path)) {
        return "cannot create " + path + ": " + ErrorText(GetLastError());
    }
    return std::nullopt;
}

std::optional<std::string> Install(const std::string& rootArgument,
                                   const std::vector<std::string>& behaviour) {
    auto root = FullPath(rootArgument);
    if (!root) {
        return "bad root folder " + rootArgument + ": " + ErrorText(GetLastError());
    }
    while (!root->empty() && (root->back() == '\\' || root->back() == '/')) {
        root->pop_back();
    }
    for (const char* folder : {"\\bin", "\\ads"}) {
        if (auto failure = CreateFolders(*root + folder)) {
            return failure;
        }
    }
    const std::string self = ModulePath();
    const std::string target = *root + "\\bin\\juno.exe";
    const auto fullTarget = FullPath(target);
    const bool isSelf = fullTarget && lstrcmpiA(fullTarget->c_str(), self.c_str()) == 0;
    if (!isSelf && !CopyFileA(self.c_str(), target.c_str(), FALSE)) {
        return "cannot copy " + self + " to " + target + ": " + ErrorText(GetLastError());
    }
    // Always rewrite the flags file, so flags of an earlier install do not linger.
    const std::string flagsFile = FlagsFileBeside(target);
    {
        std::ofstream file(flagsFile, std::ios::trunc);
        file << "# Flags for this copy of juno-standin, written by --install.\n";
        for (const auto& word : behaviour) {
            file << QuoteFlag(word) << '\n';
        }
        if (!file.flush()) {
            return "cannot write " + flagsFile;
        }
    }
    std::array<char, MAX_PATH> windows{};
    const UINT length = GetWindowsDirectoryA(windows.data(), static_cast<UINT>(windows.size()));
    if (length == 0 || length >= windows.size()) {
        return "cannot find the Windows folder: " + ErrorText(GetLastError());
    }
    const std::string ini = std::string(windows.data(), length) + "\\Juno.ini";
    if (!WritePrivateProfileStringA("Configuration", "Root Dir", root->c_str(), ini.c_str())) {
        return "cannot write " + ini + ": " + ErrorText(GetLastError());
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// The running client

class App {
  public:
    App(HINSTANCE instance, Options options, int showCommand)
        : instance_(instance), options_(std::move(options)), showCommand_(showCommand),
          controllerClass_(instance, ClassDefinition(instance, kControllerClass, ControllerProc)),
          mainClass_(instance,
                     ClassDefinition(instance, kMainClass, MainProc, ResourceName(IDR_MAIN_MENU))) {
    }
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    bool Start() {
        if (!controllerClass_.Registered() || !mainClass_.Registered()) {
            return false;
        }
        // Timers live on a message-only window: FindWindow never sees it, so the process
        // shows no top-level window of its own before the welcome dialog or the main window.
        controller_.reset(CreateWindowExA(0, kControllerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, instance_, this));
        if (!controller_) {
            return false;
        }
        if (options_.welcomeMs == 0) {
            return ShowMain();
        }
        welcome_.reset(CreateDialogParamA(instance_, ResourceName(IDD_WELCOME), nullptr, DialogProc,
                                          reinterpret_cast<LPARAM>(this)));
        if (!welcome_) {
            return false;
        }
        SetForegroundWindow(welcome_.get());
        SetTimer(controller_.get(), kWelcomeTimer, options_.welcomeMs, nullptr);
        return true;
    }

    // Keyboard navigation for whichever of our dialogs is active.
    bool PreTranslate(MSG& message) const {
        const HWND active = GetActiveWindow();
        return IsOurDialog(active) && IsDialogMessageA(active, &message);
    }

  private:
    enum Timer : UINT_PTR {
        kWelcomeTimer = 1,
        kMailTimer,
        kRetopmostTimer,
        kConfirmTimer,
        kExitTimer,
        kHangTimer
    };

    static WNDCLASSEXA ClassDefinition(HINSTANCE instance, const char* name, WNDPROC procedure,
                                       LPCSTR menu = nullptr) {
        WNDCLASSEXA definition{};
        definition.cbSize = sizeof(definition);
        definition.lpfnWndProc = procedure;
        definition.hInstance = instance;
        definition.hCursor = LoadCursorA(nullptr, ResourceName(32512)); // IDC_ARROW
        definition.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        definition.lpszMenuName = menu;
        definition.lpszClassName = name;
        return definition;
    }

    bool IsOurDialog(HWND window) const {
        if (window == nullptr) {
            return false;
        }
        if (window == welcome_.get() || window == confirm_.get()) {
            return true;
        }
        for (const auto& mail : mail_) {
            if (window == mail.get()) {
                return true;
            }
        }
        return false;
    }

    bool ShowMain() {
        main_.reset(CreateWindowExA(0, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, 600, 400, nullptr, nullptr, instance_, this));
        if (!main_) {
            return false;
        }
        ShowWindow(main_.get(), showCommand_);
        UpdateWindow(main_.get());
        if (options_.mailDialogs[0] || options_.mailDialogs[1]) {
            if (options_.mailDialogAfterMs == 0) {
                OpenStartMailDialogs();
            } else {
                SetTimer(controller_.get(), kMailTimer, options_.mailDialogAfterMs, nullptr);
            }
        }
        if (options_.retopmostMs != 0) {
            SetTimer(controller_.get(), kRetopmostTimer, options_.retopmostMs, nullptr);
        }
        if (options_.hangAfterMs != 0) {
            SetTimer(controller_.get(), kHangTimer, options_.hangAfterMs, nullptr);
        }
        return true;
    }

    void OpenStartMailDialogs() {
        for (std::size_t i = 0; i < mail_.size(); ++i) {
            if (options_.mailDialogs[i]) {
                OpenMail(static_cast<MailDialog>(i));
            }
        }
    }

    void OpenMail(MailDialog kind) {
        const auto index = static_cast<std::size_t>(kind);
        if (mail_[index]) {
            SetForegroundWindow(mail_[index].get());
            return;
        }
        // Unowned on purpose: under Wine, SetWindowPos(HWND_NOTOPMOST) leaves a topmost window
        // topmost when its owner lies directly beneath it, so an owned dialog would hide the
        // very change Pocketry makes.
        mail_[index].reset(CreateDialogParamA(instance_, ResourceName(kMailDialogResource[index]),
                                              nullptr, DialogProc, reinterpret_cast<LPARAM>(this)));
        if (!mail_[index]) {
            return;
        }
        // Centre over the lower part of the main window, clear of the first messages; the
        // second kind sits a little lower and to the right so that both can be seen at once.
        RECT owner{};
        if (IsIconic(main_.get()) || !GetWindowRect(main_.get(), &owner)) {
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &owner, 0);
        }
        RECT dialog{};
        GetWindowRect(mail_[index].get(), &dialog);
        const int offset = static_cast<int>(index) * GetSystemMetrics(SM_CYCAPTION) * 2;
        const int x = (owner.left + owner.right - (dialog.right - dialog.left)) / 2 + offset;
        const int y = (owner.top + owner.bottom - (dialog.bottom - dialog.top)) / 2 +
                      (owner.bottom - owner.top) / 6 + offset;
        SetWindowPos(mail_[index].get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(mail_[index].get(), SW_SHOW);
    }

    void Retopmost() const {
        for (const auto& mail : mail_) {
            if (mail) {
                SetWindowPos(mail.get(), HWND_TOPMOST, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
        }
    }

    void RequestClose(HWND from) {
        if (closing_) {
            if (confirm_) {
                SetForegroundWindow(confirm_.get());
            }
            return;
        }
        closing_ = true;
        if (!options_.confirmDelete) {
            BeginExit();
            return;
        }
        confirmOwner_ = from;
        if (options_.confirmDelayMs == 0) {
            ShowConfirm();
        } else {
            SetTimer(controller_.get(), kConfirmTimer, options_.confirmDelayMs, nullptr);
        }
    }

    void ShowConfirm() {
        // The window that was asked to close may be gone by now (the welcome dialog's time ran
        // out while the question was delayed); ask over the main window instead.
        if (!IsWindow(confirmOwner_)) {
            confirmOwner_ = main_ ? main_.get() : welcome_.get();
        }
        confirm_.reset(CreateDialogParamA(instance_, ResourceName(IDD_CONFIRM_DELETE),
                                          confirmOwner_, DialogProc,
                                          reinterpret_cast<LPARAM>(this)));
        if (!confirm_) {
            // Without a way to ask, keep running rather than deleting unasked.
            closing_ = false;
            return;
        }
        EnableWindow(confirmOwner_, FALSE);
        ShowWindow(confirm_.get(), SW_SHOW);
        SetForegroundWindow(confirm_.get());
    }

    void AnswerConfirm(bool yes) {
        if (!confirm_) {
            return;
        }
        // Re-enable the owner before the dialog goes, so activation returns to it.
        EnableWindow(confirmOwner_, TRUE);
        confirm_.reset();
        if (yes) {
            BeginExit();
            return;
        }
        closing_ = false;
        if (welcome_ && welcomeOver_) {
            EndWelcome();
        }
    }

    void BeginExit() {
        if (options_.exitDelayMs == 0) {
            Quit();
        } else {
            SetTimer(controller_.get(), kExitTimer, options_.exitDelayMs, nullptr);
        }
    }

    void EndWelcome() {
        welcome_.reset();
        if (!ShowMain()) {
            Quit();
        }
    }

    void Quit() {
        for (const UINT_PTR timer :
             {kWelcomeTimer, kMailTimer, kRetopmostTimer, kConfirmTimer, kExitTimer}) {
            KillTimer(controller_.get(), timer);
        }
        // Owned windows first, then their owners.
        confirm_.reset();
        for (auto& mail : mail_) {
            mail.reset();
        }
        main_.reset();
        welcome_.reset();
        PostQuitMessage(kExitOk);
    }

    void OnTimer(UINT_PTR timer) {
        if (timer != kRetopmostTimer) {
            KillTimer(controller_.get(), timer);
        }
        switch (timer) {
        case kWelcomeTimer:
            welcomeOver_ = true;
            if (!closing_) {
                EndWelcome();
            }
            break;
        case kMailTimer:
            OpenStartMailDialogs();
            break;
        case kRetopmostTimer:
            Retopmost();
            break;
        case kConfirmTimer:
            ShowConfirm();
            break;
        case kExitTimer:
            Quit();
            break;
        case kHangTimer:
            // The one thread of every window stops taking messages, for good.
            Sleep(INFINITE);
            break;
        default:
            break;
        }
    }

    void OnDialogCommand(HWND dialog, WORD id) {
        if (dialog == confirm_.get()) {
            AnswerConfirm(id == IDYES);
        } else if (dialog == welcome_.get()) {
            // "Continue" (or Esc) just ends the welcome early.
            if (!closing_) {
                welcomeOver_ = true;
                EndWelcome();
            }
        } else if (id == IDCANCEL) {
            CloseMail(dialog);
        }
    }

    void OnDialogClose(HWND dialog) {
        if (dialog == welcome_.get()) {
            RequestClose(dialog);
        } else if (dialog == confirm_.get()) {
            AnswerConfirm(false);
        } else {
            CloseMail(dialog);
        }
    }

    void CloseMail(HWND dialog) {
        for (auto& mail : mail_) {
            if (mail.get() == dialog) {
                mail.reset();
            }
        }
    }

    // --- the main window's content

    void CreateContent(HWND window) {
        const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
        std::string flags;
        for (const auto& word : options_.behaviour) {
            if (!flags.empty()) {
                flags += ' ';
            }
            flags += QuoteFlag(word);
        }
        const std::string text =
            "This is juno-standin, a stand-in for the Juno mail client used to test Pocketry. "
            "The Mail menu opens the mail transfer dialogs; closing this window quits.\r\n"
            "Flags: " +
            (flags.empty() ? std::string("(none)") : flags);
        description_ = CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT,
                                       0, 0, 0, 0, window, nullptr, instance_, nullptr);
        mailbox_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT |
                                       LBS_USETABSTOPS,
                                   0, 0, 0, 0, window, nullptr, instance_, nullptr);
        for (const HWND child : {description_, mailbox_}) {
            SendMessageA(child, WM_SETFONT, font, FALSE);
        }
        INT fromColumn = 96; // dialog units
        SendMessageA(mailbox_, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&fromColumn));
        for (const char* line :
             {"Juno Member Services\tWelcome to Juno!", "Pocketry Test Team\tYour test message",
              "Juno Member Services\tGetting started with e-mail"}) {
            SendMessageA(mailbox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
        }
    }

    void Layout(int width, int height) const {
        constexpr int margin = 8;
        const int inner = width - 2 * margin;
        if (inner <= 0 || description_ == nullptr) {
            return;
        }
        // Measure the wrapped description at the current width so it is never clipped.
        std::array<char, 1024> text{};
        GetWindowTextA(description_, text.data(), static_cast<int>(text.size()));
        RECT bounds{0, 0, inner, 0};
        {
            const WindowDC dc(description_);
            const FontSelection font(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
            DrawTextA(dc.get(), text.data(), -1, &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        }
        const int textHeight = bounds.bottom - bounds.top;
        MoveWindow(description_, margin, margin, inner, textHeight, TRUE);
        const int top = margin + textHeight + margin;
        MoveWindow(mailbox_, margin, top, inner,
                   height - top - margin > 0 ? height - top - margin : 0, TRUE);
    }

    LRESULT OnMainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_CREATE:
            CreateContent(window);
            return 0;
        case WM_SIZE:
            Layout(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDM_GET_NEW_MAIL:
                OpenMail(MailDialog::GetNewMail);
                return 0;
            case IDM_GET_AND_SEND_MAIL:
                OpenMail(MailDialog::GetAndSendMail);
                return 0;
            case IDM_EXIT:
                RequestClose(window);
                return 0;
            default:
                break;
            }
            break;
        case WM_CLOSE:
            RequestClose(window);
            return 0;
        default:
            break;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    // --- window procedures: find the App, and never let an exception out.

    static App* FromWindow(HWND window, int index) {
        return reinterpret_cast<App*>(GetWindowLongPtrA(window, index));
    }

    static LRESULT CALLBACK ControllerProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
        try {
            if (message == WM_NCCREATE) {
                const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
                SetWindowLongPtrA(window, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            } else if (message == WM_TIMER) {
                if (App* app = FromWindow(window, GWLP_USERDATA)) {
                    app->OnTimer(wParam);
                }
                return 0;
            }
        } catch (...) {
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        try {
            if (message == WM_NCCREATE) {
                const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
                SetWindowLongPtrA(window, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            }
            if (App* app = FromWindow(window, GWLP_USERDATA)) {
                return app->OnMainMessage(window, message, wParam, lParam);
            }
        } catch (...) {
            // Keep the window alive; the message gets its default handling below.
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        try {
            if (message == WM_INITDIALOG) {
                SetWindowLongPtrA(dialog, DWLP_USER, lParam);
                return TRUE;
            }
            App* app = FromWindow(dialog, DWLP_USER);
            if (app == nullptr) {
                return FALSE;
            }
            if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
                app->OnDialogCommand(dialog, LOWORD(wParam));
                return TRUE;
            }
            if (message == WM_CLOSE) {
                app->OnDialogClose(dialog);
                return TRUE;
            }
        } catch (...) {
        }
        return FALSE;
    }

    HINSTANCE instance_;
    Options options_;
    int showCommand_;
    // Declared so that windows go before their classes, and owned windows before owners.
    WindowClass controllerClass_;
    WindowClass mainClass_;
    Window controller_;
    Window welcome_;
    Window main_;
    std::array<Window, 2> mail_;
    Window confirm_;
    HWND description_ = nullptr;
    HWND mailbox_ = nullptr;
    HWND confirmOwner_ = nullptr;
    bool closing_ = false;
    bool welcomeOver_ = false;
};

// --foreign-confirm: another program's question of the same name, in front of any other.
INT_PTR CALLBACK ForeignConfirmProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        PostQuitMessage(LOWORD(wParam) == IDYES ? kExitForeignYes : kExitForeignNo);
        DestroyWindow(dialog);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        PostQuitMessage(kExitForeignNo);
        DestroyWindow(dialog);
        return TRUE;
    }
    return FALSE;
}

// Runs until WM_QUIT and returns its code; `handled` takes the messages it
// deals with itself (dialog keys) before they are dispatched.
template <typename Handled> int MessageLoop(Handled handled) {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            return kExitFailed;
        }
        if (!handled(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

int ForeignConfirm(HINSTANCE instance) {
    const HWND dialog = CreateDialogParamA(instance, ResourceName(IDD_CONFIRM_DELETE), nullptr,
                                           ForeignConfirmProc, 0);
    if (dialog == nullptr) {
        Report("juno-standin: cannot create the question: " + ErrorText(GetLastError()) + "\n",
               true);
        return kExitFailed;
    }
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(dialog, SW_SHOW);
    return MessageLoop(
        [dialog](MSG& message) { return IsWindow(dialog) && IsDialogMessageA(dialog, &message); });
}

int Run(HINSTANCE instance, int showCommand) {
    Options options;
    if (const auto failure = ReadOptions(options)) {
        Report("juno-standin: " + *failure + "\n", true);
        return kExitBadFlags;
    }
    if (options.help) {
        Report(kHelp, false);
        return kExitOk;
    }
    if (options.installRoot) {
        if (const auto failure = Install(*options.installRoot, options.behaviour)) {
            Report("juno-standin: " + *failure + "\n", true);
            return kExitFailed;
        }
        return kExitOk;
    }
    // Held for the whole run: the ads file that the cleanup must leave alone.
    Handle held;
    if (options.holdAdsFile) {
        const std::string program = ModulePath();
        const auto slash = program.find_last_of('\\');
        const auto binSlash =
            slash == std::string::npos ? std::string::npos : program.find_last_of('\\', slash - 1);
        const std::string root = binSlash == std::string::npos ? "." : program.substr(0, binSlash);
        const std::string path = root + "\\ads\\" + *options.holdAdsFile;
        held.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (held.get() == INVALID_HANDLE_VALUE) {
            Report("juno-standin: cannot hold " + path + ": " + ErrorText(GetLastError()) + "\n",
                   true);
            return kExitFailed;
        }
    }
    if (options.startDelayMs != 0) {
        Sleep(options.startDelayMs);
    }
    if (options.foreignConfirm) {
        return ForeignConfirm(instance);
    }
    if (options.noWindowMs != 0) {
        // Runs, but never shows the window Pocketry waits for.
        Sleep(options.noWindowMs);
        return kExitOk;
    }
    App app(instance, std::move(options), showCommand);
    if (!app.Start()) {
        Report("juno-standin: cannot create the windows: " + ErrorText(GetLastError()) + "\n",
               true);
        return kExitFailed;
    }
    return MessageLoop([&app](MSG& message) { return app.PreTranslate(message); });
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    try {
        return Run(instance, showCommand);
    } catch (const std::exception& failure) {
        Report(std::string("juno-standin: ") + failure.what() + "\n", true);
    } catch (...) {
        Report("juno-standin: unexpected failure\n", true);
    }
    return kExitFailed;
}
