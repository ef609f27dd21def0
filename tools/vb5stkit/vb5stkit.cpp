// vb5stkit.dll: shortcuts in the user's program groups, for a caller that
// loads the library at run time. Three stdcall exports take ANSI strings, and
// their wide forms (the same names with "W") take UTF-16; all return non-zero
// for success, none shows any UI and nothing throws out of them. The work is
// done in UTF-16: a narrow text is converted from the ANSI code page first, so
// a path in any script reaches the shell whole through the wide forms.
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

std::wstring ShellFolder(int csidl, bool create) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
                                  SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

std::optional<std::wstring> GroupFolder(const wchar_t* group, bool create) {
    if (group == nullptr)
        return std::nullopt;
    return vb5stkit::GroupFolder(group, ShellFolder(CSIDL_STARTUP, create),
                                 ShellFolder(CSIDL_PROGRAMS, create));
}

std::optional<vb5stkit::WideLinkLocation> Locate(const wchar_t* group, const wchar_t* link,
                                                 bool create) {
    if (group == nullptr || link == nullptr)
        return std::nullopt;
    return vb5stkit::LocateLink(group, link, ShellFolder(CSIDL_STARTUP, create),
                                ShellFolder(CSIDL_PROGRAMS, create));
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A narrow function's text, in the ANSI code page, as UTF-16; nothing when it
// is not valid text of that code page. A null pointer stays null.
struct FromAnsi {
    explicit FromAnsi(const char* text) : valid(true), present(text != nullptr) {
        if (text == nullptr || *text == '\0')
            return;
        const int length =
            ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
        valid = length > 0;
        if (!valid)
            return;
        wide.assign(static_cast<std::size_t>(length), L'\0');
        valid = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide.data(),
                                      length) == length;
        wide.resize(static_cast<std::size_t>(length - 1));
    }
    const wchar_t* get() const { return present ? wide.c_str() : nullptr; }
    bool valid;
    bool present;
    std::wstring wide;
};

bool CreateGroup(const wchar_t* group) {
    // The StartUp and Programs folders themselves are made if a new profile
    // lacks them; below Programs only the group's own folder is made.
    const auto folder = GroupFolder(group, true);
    if (!folder)
        return false;
    if (IsFolder(*folder))
        return true;
    ::CreateDirectoryW(folder->c_str(), nullptr);
    return IsFolder(*folder);
}

bool CreateLink(const wchar_t* group, const wchar_t* link, const wchar_t* target,
                const wchar_t* arguments) {
    // The group must already be there: making it is fCreateShellFolder's
    // part, and its failure is told to the user apart from this one.
    const auto location = Locate(group, link, false);
    if (!location || target == nullptr || *target == L'\0' || !IsFolder(location->folder))
        return false;

    const ComScope com;
    if (!com.Usable())
        return false;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(shellLink.Out()))))
        return false;
    if (FAILED(shellLink->SetPath(target)) ||
        FAILED(shellLink->SetArguments(arguments != nullptr ? arguments : L"")))
        return false;
    const std::wstring folder = vb5stkit::TargetFolder(target);
    if (!folder.empty() && FAILED(shellLink->SetWorkingDirectory(folder.c_str())))
        return false;
    ComPtr<IPersistFile> persist;
    if (FAILED(
            shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.Out()))))
        return false;
    // Save replaces a shortcut of the same name.
    return SUCCEEDED(persist->Save(location->file.c_str(), TRUE));
}

bool RemoveLink(const wchar_t* group, const wchar_t* link) {
    const auto location = Locate(group, link, false);
    if (!location)
        return false;
    const wchar_t* const file = location->file.c_str();
    const DWORD attributes = ::GetFileAttributesW(file);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    // The user asked for the shortcut to go; a read-only flag does not keep it.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ::SetFileAttributesW(file, attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    return ::DeleteFileW(file) != FALSE;
}

// Runs one of the above for an export: 1 for success, 0 for failure, never an
// exception out of the library.
template <typename F> LONG Outcome(F f) {
    try {
        return f() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace

extern "C" {

#ifndef VB5STKIT_NARROW_ONLY
__declspec(dllexport) LONG WINAPI fCreateShellFolderW(LPCWSTR group) {
    return Outcome([&] { return CreateGroup(group); });
}

__declspec(dllexport) LONG WINAPI
    fCreateShellLinkW(LPCWSTR group, LPCWSTR link, LPCWSTR target, LPCWSTR arguments) {
    return Outcome([&] { return CreateLink(group, link, target, arguments); });
}

__declspec(dllexport) LONG WINAPI fRemoveShellLinkW(LPCWSTR group, LPCWSTR link) {
    return Outcome([&] { return RemoveLink(group, link); });
}
#endif

__declspec(dllexport) LONG WINAPI fCreateShellFolder(LPCSTR group) {
    return Outcome([&] {
        const FromAnsi g(group);
        return g.valid && CreateGroup(g.get());
    });
}

__declspec(dllexport) LONG WINAPI
    fCreateShellLink(LPCSTR group, LPCSTR link, LPCSTR target, LPCSTR arguments) {
    return Outcome([&] {
        const FromAnsi g(group), l(link), t(target), a(arguments);
        return g.valid && l.valid && t.valid && a.valid &&
               CreateLink(g.get(), l.get(), t.get(), a.get());
    });
}

__declspec(dllexport) LONG WINAPI fRemoveShellLink(LPCSTR group, LPCSTR link) {
    return Outcome([&] {
        const FromAnsi g(group), l(link);
        return g.valid && l.valid && RemoveLink(g.get(), l.get());
    });
}

} // extern "C"
