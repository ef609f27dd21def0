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
    static constexpr wchar_t kPrefix[] = L"StringFileInfo";
    constexpr std::size_t n = sizeof kPrefix / sizeof kPrefix[0] - 1;
    const std::wstring path = Wide(subBlock);
    const std::size_t start = path.find_first_not_of(L'\\');
    if (start == std::wstring::npos || path.size() - start < n)
        return false;
    return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str() + start,
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
    decltype(&::GetFileVersionInfoSizeW) getSize = nullptr;
    decltype(&::GetFileVersionInfoW) getInfo = nullptr;
    decltype(&::VerQueryValueW) query = nullptr;
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
            Export<decltype(&::GetFileVersionInfoSizeW)>(module, "GetFileVersionInfoSizeW");
        found->getInfo = Export<decltype(&::GetFileVersionInfoW)>(module, "GetFileVersionInfoW");
        found->query = Export<decltype(&::VerQueryValueW)>(module, "VerQueryValueW");
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
    // The wide reader takes a file without a byte-order mark as text in the
    // system's ANSI code page, as the program that wrote it did.
    value.clear();
    if (size == 0)
        return 0;
    std::vector<wchar_t> buffer(size + 1u, L'\0');
    const DWORD count = ::GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                                   Wide(defaultValue).c_str(), buffer.data(), size,
                                                   Wide(fileName).c_str());
    value = Utf8(buffer.data(), std::min<std::size_t>(count, size));
    // The count is of the text handed back: its UTF-8 length.
    return static_cast<std::int32_t>(value.size());
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
    const std::wstring program = Wide(path);
    std::wstring line = L"\"" + program + L"\"";
    const std::size_t slash = program.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\'; // a drive's root folder keeps its backslash

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCmd);
    PROCESS_INFORMATION info{};
    // CreateProcessW may write into the command line: it is a buffer of our own.
    if (::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.empty() ? nullptr : folder.c_str(), &startup, &info) == 0)
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
    return version->getSize(Wide(fileName).c_str(), &ignored);
}

bool Kernel::GetFileVersionInfoA(const std::string& fileName, std::uint32_t handle,
                                 std::uint32_t size, std::vector<std::uint8_t>& data) {
    data.assign(size, 0);
    const VersionFunctions* version = Version();
    if (size == 0 || version == nullptr) {
        data.clear();
        return false;
    }
    if (version->getInfo(Wide(fileName).c_str(), handle, size, data.data()) == 0) {
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
    // The reader may write into the block it is given, so it works on a copy.
    std::vector<std::uint8_t> work(block);
    void* found = nullptr;
    UINT length = 0;
    if (version->query(work.data(), Wide(subBlock).c_str(), &found, &length) == 0 ||
        found == nullptr)
        return false;
    const auto* begin = static_cast<const std::uint8_t*>(found);
    const auto* const end = work.data() + work.size();
    if (begin < work.data() || begin >= end)
        return false;
    if (NamesStringValue(subBlock)) {
        // Text in UTF-16, handed on as UTF-8: its length is counted in
        // characters and may or may not take in the terminating null; the
        // text itself ends at the null.
        const std::size_t room = static_cast<std::size_t>(end - begin) / sizeof(wchar_t);
        std::wstring text(std::min<std::size_t>(length, room), L'\0');
        std::memcpy(text.data(), begin, text.size() * sizeof(wchar_t));
        if (const auto stop = text.find(L'\0'); stop != std::wstring::npos)
            text.resize(stop);
        const std::string utf8 = Utf8(text);
        value.assign(utf8.begin(), utf8.end());
    } else {
        const std::size_t bytes =
            std::min<std::size_t>(length, static_cast<std::size_t>(end - begin));
        value.assign(begin, begin + bytes);
    }
    return true;
}

} // namespace pocketry::platform::win32
