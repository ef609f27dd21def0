#include "platform/win32/Kernel.h"

#include "platform/win32/Libraries.h"

#include <algorithm>
#include <cstring>

namespace pocketry::platform::win32 {

namespace {

class Win32FindHandle final : public FindHandle {
  public:
    Win32FindHandle(HANDLE handle, const WIN32_FIND_DATAW& found)
        : handle_(handle), data_{found.dwFileAttributes, Utf8(found.cFileName)} {}
    const FindData& Data() const override { return data_; }

  private:
    OwnedFind handle_;
    FindData data_;
};

// Whether a version resource path leads into the string tables (with or
// without its leading backslash).
bool NamesStringValue(const std::string& subBlock) {
    static constexpr char kPrefix[] = "StringFileInfo";
    constexpr std::size_t n = sizeof kPrefix - 1;
    const std::size_t start = subBlock.find_first_not_of('\\');
    if (start == std::string::npos || subBlock.size() - start < n)
        return false;
    return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, subBlock.c_str() + start,
                            static_cast<int>(n), kPrefix, static_cast<int>(n)) == CSTR_EQUAL;
}

// GetProcAddress hands back a generic function pointer; the export's
// documented signature is the real one.
template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

} // namespace

struct Kernel::VersionFunctions {
    OwnedLibrary library;
    decltype(&::GetFileVersionInfoSizeA) getSize = nullptr;
    decltype(&::GetFileVersionInfoA) getInfo = nullptr;
    decltype(&::VerQueryValueA) query = nullptr;
};

Kernel::Kernel() = default;
Kernel::~Kernel() = default;

const Kernel::VersionFunctions* Kernel::Version() {
    if (!version_) {
        // A failed load is tried again next time.
        auto found = std::make_unique<VersionFunctions>();
        found->library.reset(LoadSystemLibrary("version.dll"));
        if (!found->library)
            return nullptr;
        const HMODULE module = found->library.get();
        found->getSize =
            Export<decltype(&::GetFileVersionInfoSizeA)>(module, "GetFileVersionInfoSizeA");
        found->getInfo = Export<decltype(&::GetFileVersionInfoA)>(module, "GetFileVersionInfoA");
        found->query = Export<decltype(&::VerQueryValueA)>(module, "VerQueryValueA");
        if (found->getSize == nullptr || found->getInfo == nullptr || found->query == nullptr)
            return nullptr;
        version_ = std::move(found);
    }
    return version_.get();
}

void Kernel::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::int32_t Kernel::GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                              const std::string& defaultValue, std::string& value,
                                              std::uint32_t size, const std::string& fileName) {
    value.clear();
    if (size == 0)
        return 0;
    std::vector<char> buffer(size + 1u, '\0');
    const DWORD count = ::GetPrivateProfileStringA(
        section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(), size, fileName.c_str());
    value.assign(buffer.data(), std::min<std::size_t>(count, size));
    return static_cast<std::int32_t>(count);
}

std::unique_ptr<FindHandle> Kernel::FindFirstFileA(const std::string& fileName) {
    WIN32_FIND_DATAW found{};
    const HANDLE handle = ::FindFirstFileW(Wide(fileName).c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<Win32FindHandle>(handle, found);
}

std::uint32_t Kernel::GetShortPathNameA(const std::string& longPath, std::string& shortPath,
                                        std::uint32_t size) {
    shortPath.clear();
    const std::wstring wide = Wide(longPath);
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length =
            ::GetShortPathNameW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            break;
        buffer.assign(length, L'\0'); // the size needed, terminator included
    }
    if (length == 0)
        return 0;
    // The caller's units are those of its text (UTF-8 bytes): the length when
    // it fits with its terminator, else the size needed, and nothing copied.
    const std::string text = Utf8(buffer.data(), length);
    if (text.size() >= size)
        return static_cast<std::uint32_t>(text.size() + 1);
    shortPath = text;
    return static_cast<std::uint32_t>(text.size());
}

std::vector<std::string> Kernel::ListBoxDir(std::uint32_t attributes, const std::string& fileSpec) {
    std::vector<std::string> names;
    // A Unicode list box: it lists and hands back the real names, where an
    // ANSI one would give "?" for what the code page lacks and "best fit"
    // path syntax for some characters (a full-width reverse solidus as "\").
    if (!listBox_)
        listBox_.reset(::CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_SORT | LBS_HASSTRINGS,
                                         0, 0, 100, 100, nullptr, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr));
    if (!listBox_)
        return names;
    HWND list = listBox_.get();
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const std::wstring spec = Wide(fileSpec);
    const LRESULT last =
        ::SendMessageW(list, LB_DIR, attributes, reinterpret_cast<LPARAM>(spec.c_str()));
    if (last == LB_ERR || last == LB_ERRSPACE)
        return names;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == LB_ERR)
            continue;
        std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT got = ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                           reinterpret_cast<LPARAM>(text.data()));
        if (got != LB_ERR)
            names.push_back(Utf8(text.data(), static_cast<std::size_t>(got)));
    }
    return names;
}

Status Kernel::StartProcess(const std::string& path, int showCmd) {
    if (path.empty())
        return StatusFrom(ERROR_FILE_NOT_FOUND);
    // The full path is the program to start, so that no other program is
    // started in its place: a root such as C:\Program Files\Juno can never
    // start C:\Program.exe. The command line carries it quoted, as a shortcut
    // would, and the program starts in its own folder.
    const std::string line = "\"" + path + "\"";
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    const std::size_t slash = path.find_last_of('\\');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\'; // a drive's root folder keeps its backslash

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCmd);
    PROCESS_INFORMATION info{};
    if (::CreateProcessA(path.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         NullIfEmpty(folder), &startup, &info) == 0)
        return LastErrorStatus();
    const OwnedHandle process(info.hProcess);
    const OwnedHandle thread(info.hThread);
    return Status::Ok();
}

std::string Kernel::GetModuleFileNameA() {
    return ProgramPath();
}

std::uint32_t Kernel::GetFileVersionInfoSizeA(const std::string& fileName) {
    const VersionFunctions* version = Version();
    if (version == nullptr)
        return 0;
    DWORD ignored = 0;
    return version->getSize(fileName.c_str(), &ignored);
}

bool Kernel::GetFileVersionInfoA(const std::string& fileName, std::uint32_t handle,
                                 std::uint32_t size, std::vector<std::uint8_t>& data) {
    data.assign(size, 0);
    const VersionFunctions* version = Version();
    if (size == 0 || version == nullptr) {
        data.clear();
        return false;
    }
    if (version->getInfo(fileName.c_str(), handle, size, data.data()) == 0) {
        data.clear();
        return false;
    }
    return true;
}

bool Kernel::VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                            std::vector<std::uint8_t>& value) {
    value.clear();
    const VersionFunctions* version = Version();
    if (block.empty() || version == nullptr)
        return false;
    // The ANSI reader converts string values inside the block it is given, so
    // it works on a copy.
    std::vector<std::uint8_t> work(block);
    void* found = nullptr;
    UINT length = 0;
    if (version->query(work.data(), subBlock.c_str(), &found, &length) == 0 || found == nullptr)
        return false;
    const auto* begin = static_cast<const std::uint8_t*>(found);
    const auto* const end = work.data() + work.size();
    if (begin < work.data() || begin >= end)
        return false;
    std::size_t bytes = 0;
    if (NamesStringValue(subBlock)) {
        // Text: its length is counted in characters and may or may not take in
        // the terminating null; the text itself ends at the null.
        const auto* stop = std::find(begin, end, std::uint8_t{0});
        bytes = static_cast<std::size_t>(stop - begin);
    } else {
        bytes = std::min<std::size_t>(length, static_cast<std::size_t>(end - begin));
    }
    value.assign(begin, begin + bytes);
    return true;
}

} // namespace pocketry::platform::win32
