// The ads cleanup's changes, confined to a folder, and where Windows
// redirects a legacy program's writes (VirtualStore).
//
// Why handles: a path is looked up again by every call that takes it, so a
// check made on a path says nothing about what a later call on the same path
// reaches (a folder on the way may have become a link meanwhile). Here each
// entry is opened once, without following a link at its end; the final path
// of what was opened (links on the way resolved) must lie below the final path
// of the folder, which was taken once when that folder was opened and is held
// for the run; and the change is made through that very handle. On Windows a
// link opened so is the link itself (a reparse point); under Wine a Unix link
// is opened as its target, whose final path then lies elsewhere. Either way
// nothing outside the folder is changed.
#include "platform/win32/Kernel.h"

#include <optional>

namespace pocketry::platform::win32 {

namespace {

// Others may go on reading and writing, but nothing held here can be renamed
// or deleted by anyone else meanwhile: the folder cannot be swapped for a link
// while it is held, nor an entry between its check and its change.
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kEntryAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
// A handle with attribute access alone takes no part in sharing, so the folder
// is held with the right to list it too: that makes its sharing count.
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
constexpr DWORD kNoFollow = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;

// GetFinalPathNameByHandleW's answer in the plain form ("C:\..." or
// "\\server\share\..."); empty when there is none.
std::wstring FinalPathOf(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length < path.size())
            break;
        path.assign(length, L'\0'); // the size needed, terminator included
    }
    path.resize(length);
    static constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\", kLocal = L"\\\\?\\";
    if (path.starts_with(kUnc))
        return L"\\\\" + path.substr(kUnc.size());
    if (path.starts_with(kLocal))
        return path.substr(kLocal.size());
    return path;
}

DWORD AttributesOf(HANDLE handle) {
    FILE_BASIC_INFO info{};
    if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info) == 0)
        return INVALID_FILE_ATTRIBUTES;
    return info.FileAttributes;
}

class Win32FolderHandle final : public FolderHandle {
  public:
    Win32FolderHandle(HANDLE handle, DWORD attributes, const std::wstring& finalPath)
        : handle_(handle), attributes_(attributes), finalPath_(Utf8(finalPath)),
          below_(finalPath.ends_with(L'\\') ? finalPath : finalPath + L'\\') {}
    std::uint32_t Attributes() const override { return attributes_; }
    const std::string& FinalPath() const override { return finalPath_; }
    // What the final path of everything below the folder begins with.
    const std::wstring& Below() const { return below_; }

  private:
    OwnedHandle handle_;
    DWORD attributes_;
    std::string finalPath_;
    std::wstring below_;
};

struct Entry {
    OwnedHandle handle;
    DWORD attributes;
};

// The entry itself opened for a change, when it lies below the folder;
// nothing otherwise (the last error says why).
std::optional<Entry> OpenInside(const FolderHandle& inside, const std::string& path) {
    const auto* folder = dynamic_cast<const Win32FolderHandle*>(&inside);
    if (folder == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    const HANDLE raw = ::CreateFileW(Wide(path).c_str(), kEntryAccess, kShare, nullptr,
                                     OPEN_EXISTING, kNoFollow, nullptr);
    if (raw == INVALID_HANDLE_VALUE)
        return std::nullopt;
    Entry entry{OwnedHandle(raw), INVALID_FILE_ATTRIBUTES};
    const std::wstring finalPath = FinalPathOf(raw);
    const std::wstring& below = folder->Below();
    if (finalPath.size() <= below.size() || !finalPath.starts_with(below)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    entry.attributes = AttributesOf(raw);
    if (entry.attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return entry;
}

// Deleted when the last handle closes, here at the end of the caller's scope.
bool MarkForDeletion(HANDLE handle) {
    FILE_DISPOSITION_INFO info{};
    info.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &info, sizeof info) != 0;
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return path;
}

std::wstring WindowsFolder() {
    std::wstring path(MAX_PATH, L'\0');
    UINT length = 0;
    for (;;) {
        length = ::GetWindowsDirectoryW(path.data(), static_cast<UINT>(path.size()));
        if (length < path.size())
            break;
        path.assign(length, L'\0');
    }
    path.resize(length);
    return path;
}

// Whether `path` lies below `folder` (compared without regard to case, as
// Windows names them).
bool IsBelow(const std::wstring& path, std::wstring folder) {
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    const int n = static_cast<int>(folder.size());
    return !folder.empty() && path.size() > folder.size() + 1 && path[folder.size()] == L'\\' &&
           ::CompareStringOrdinal(path.c_str(), n, folder.c_str(), n, TRUE) == CSTR_EQUAL;
}

} // namespace

std::unique_ptr<FolderHandle> Kernel::OpenFolder(const std::string& path, bool followLinks) {
    const HANDLE raw =
        ::CreateFileW(Wide(path).c_str(), kFolderAccess, kShare, nullptr, OPEN_EXISTING,
                      followLinks ? FILE_FLAG_BACKUP_SEMANTICS : kNoFollow, nullptr);
    if (raw == INVALID_HANDLE_VALUE)
        return nullptr;
    OwnedHandle handle(raw);
    const std::wstring finalPath = FinalPathOf(raw);
    const DWORD attributes = AttributesOf(raw);
    if (finalPath.empty() || attributes == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    return std::make_unique<Win32FolderHandle>(handle.release(), attributes, finalPath);
}

bool Kernel::SetFileAttributesA(const FolderHandle& inside, const std::string& fileName,
                                std::uint32_t attributes) {
    const std::optional<Entry> entry = OpenInside(inside, fileName);
    if (!entry)
        return false;
    FILE_BASIC_INFO info{}; // times left at 0: unchanged
    info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return ::SetFileInformationByHandle(entry->handle.get(), FileBasicInfo, &info, sizeof info) !=
           0;
}

bool Kernel::DeleteFileA(const FolderHandle& inside, const std::string& fileName) {
    const std::optional<Entry> entry = OpenInside(inside, fileName);
    if (!entry)
        return false;
    if ((entry->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MarkForDeletion(entry->handle.get());
}

bool Kernel::RemoveDirectoryA(const FolderHandle& inside, const std::string& path) {
    const std::optional<Entry> entry = OpenInside(inside, path);
    if (!entry)
        return false;
    // A link is never removed: Wine's RemoveDirectory removes an empty target.
    if ((entry->attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (entry->attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::SetLastError(ERROR_DIRECTORY);
        return false;
    }
    // Refused while the folder still holds anything.
    return MarkForDeletion(entry->handle.get());
}

std::string Kernel::GetWindowsDirectoryA() {
    return Utf8(WindowsFolder());
}

std::string Kernel::VirtualStorePath(const std::string& path) {
    const std::wstring wide = Wide(path);
    if (wide.size() < 3 || wide[1] != L':' || wide[2] != L'\\')
        return {}; // only paths on a drive are redirected
    wchar_t programFiles64[MAX_PATH] = {};
    const DWORD n64 = ::GetEnvironmentVariableW(L"ProgramW6432", programFiles64, MAX_PATH);
    // A 32-bit program on 64-bit Windows is told "Program Files (x86)" for
    // CSIDL_PROGRAM_FILES; the other one is named by ProgramW6432.
    const std::wstring folders[] = {
        WindowsFolder(),
        ShellFolder(CSIDL_PROGRAM_FILES),
        ShellFolder(CSIDL_PROGRAM_FILESX86),
        n64 > 0 && n64 < MAX_PATH ? std::wstring(programFiles64, n64) : std::wstring(),
        ShellFolder(CSIDL_COMMON_APPDATA),
    };
    for (const std::wstring& folder : folders) {
        if (!IsBelow(wide, folder))
            continue;
        const std::wstring local = ShellFolder(CSIDL_LOCAL_APPDATA);
        if (local.empty())
            return {};
        return Utf8(local + L"\\VirtualStore" + wide.substr(2));
    }
    return {};
}

} // namespace pocketry::platform::win32
