// vb5stkit.dll: shortcuts in the user's program groups, for a caller that
// loads the library at run time. Three stdcall exports take ANSI strings and
// return non-zero for success; none shows any UI and nothing throws out of them.
// The naming rules are in ShellNames.h; this file only talks to the shell.

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "ShellNames.h"

#include <optional>
#include <string>

namespace {

// Owns one COM interface pointer.
template <typename T> class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p_ != nullptr)
            p_->Release();
    }
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

// COM for the length of one call, left as it was found: uninitialised again
// only when this call's initialisation counted. A caller that already runs COM
// in another apartment mode (RPC_E_CHANGED_MODE) still lets the shell link
// object work, so the call goes on without touching that.
class ComScope {
  public:
    ComScope()
        : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (hr_ == S_OK || hr_ == S_FALSE)
            ::CoUninitialize();
    }
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT hr_;
};

std::string ShellFolder(int csidl, bool create) {
    char path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
                                  SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

std::optional<std::string> GroupFolder(const char* group, bool create) {
    if (group == nullptr)
        return std::nullopt;
    return vb5stkit::GroupFolder(group, ShellFolder(CSIDL_STARTUP, create),
                                 ShellFolder(CSIDL_PROGRAMS, create));
}

std::optional<vb5stkit::LinkLocation> Locate(const char* group, const char* link, bool create) {
    if (group == nullptr || link == nullptr)
        return std::nullopt;
    return vb5stkit::LocateLink(group, link, ShellFolder(CSIDL_STARTUP, create),
                                ShellFolder(CSIDL_PROGRAMS, create));
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// IPersistFile takes a wide path; the library's strings are in the ANSI code page.
std::wstring Wide(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length) != length)
        return {};
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

bool CreateGroup(const char* group) {
    // The StartUp and Programs folders themselves are made if a new profile
    // lacks them; below Programs only the group's own folder is made.
    const auto folder = GroupFolder(group, true);
    if (!folder)
        return false;
    if (IsFolder(*folder))
        return true;
    ::CreateDirectoryA(folder->c_str(), nullptr);
    return IsFolder(*folder);
}

bool CreateLink(const char* group, const char* link, const char* target, const char* arguments) {
    // The group must already be there: making it is fCreateShellFolder's
    // part, and its failure is told to the user apart from this one.
    const auto location = Locate(group, link, false);
    if (!location || target == nullptr || *target == '\0' || !IsFolder(location->folder))
        return false;
    const std::wstring file = Wide(location->file);
    if (file.empty())
        return false;

    const ComScope com;
    if (!com.Usable())
        return false;
    ComPtr<IShellLinkA> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(shellLink.Out()))))
        return false;
    if (FAILED(shellLink->SetPath(target)) ||
        FAILED(shellLink->SetArguments(arguments != nullptr ? arguments : "")))
        return false;
    const std::string folder = vb5stkit::TargetFolder(target);
    if (!folder.empty() && FAILED(shellLink->SetWorkingDirectory(folder.c_str())))
        return false;
    ComPtr<IPersistFile> persist;
    if (FAILED(
            shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.Out()))))
        return false;
    // Save replaces a shortcut of the same name.
    return SUCCEEDED(persist->Save(file.c_str(), TRUE));
}

bool RemoveLink(const char* group, const char* link) {
    const auto location = Locate(group, link, false);
    if (!location)
        return false;
    const DWORD attributes = ::GetFileAttributesA(location->file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    // The user asked for the shortcut to go; a read-only flag does not keep it.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ::SetFileAttributesA(location->file.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    return ::DeleteFileA(location->file.c_str()) != FALSE;
}

} // namespace

extern "C" {

__declspec(dllexport) LONG WINAPI fCreateShellFolder(LPCSTR group) {
    try {
        return CreateGroup(group) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

__declspec(dllexport) LONG WINAPI
    fCreateShellLink(LPCSTR group, LPCSTR link, LPCSTR target, LPCSTR arguments) {
    try {
        return CreateLink(group, link, target, arguments) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

__declspec(dllexport) LONG WINAPI fRemoveShellLink(LPCSTR group, LPCSTR link) {
    try {
        return RemoveLink(group, link) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // extern "C"
