#include "platform/win32/Shell.h"

#include <algorithm>
#include <cstring>

namespace pocketry::platform::win32 {

bool Shell::Shell_NotifyIconA(std::uint32_t dwMessage, const NotifyIconDataA& data) {
    // The program's record is the first, 88-byte form of NOTIFYICONDATAA. On
    // 32-bit Windows that is exactly the start of the system's structure; on
    // 64-bit the handles are wider, so the fields are copied into it either way
    // and the shell is told the first form's size for this process.
    NOTIFYICONDATAA nid{};
    if constexpr (sizeof(void*) == 4)
        nid.cbSize = std::min<DWORD>(data.cbSize, sizeof nid);
    else
        nid.cbSize = static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE);
    nid.hWnd = ToHWND(data.hWnd);
    nid.uID = data.uID;
    nid.uFlags = data.uFlags;
    nid.uCallbackMessage = data.uCallbackMessage;
    nid.hIcon = ToHICON(data.hIcon);
    static_assert(sizeof nid.szTip >= sizeof data.szTip);
    std::memcpy(nid.szTip, data.szTip, sizeof data.szTip);
    nid.szTip[sizeof data.szTip - 1] = '\0';
    return ::Shell_NotifyIconA(dwMessage, &nid) != 0;
}

std::uint32_t Shell::SHAppBarMessage(std::uint32_t dwMessage, AppBarData& data) {
    APPBARDATA abd{};
    abd.cbSize = sizeof abd;
    abd.hWnd = ToHWND(data.hWnd);
    abd.uCallbackMessage = data.uCallbackMessage;
    abd.uEdge = data.uEdge;
    abd.rc = RECT{data.rcLeft, data.rcTop, data.rcRight, data.rcBottom};
    abd.lParam = data.lParam;
    const UINT_PTR result = ::SHAppBarMessage(dwMessage, &abd);
    data.uCallbackMessage = abd.uCallbackMessage;
    data.uEdge = abd.uEdge;
    data.rcLeft = abd.rc.left;
    data.rcTop = abd.rc.top;
    data.rcRight = abd.rc.right;
    data.rcBottom = abd.rc.bottom;
    data.lParam = static_cast<std::int32_t>(abd.lParam);
    return static_cast<std::uint32_t>(result);
}

std::intptr_t Shell::ShellExecuteA(Hwnd parent, const std::string& verb, const std::string& file,
                                   const std::string& parameters, const std::string& directory,
                                   int showCmd) {
    // An empty verb is the file's default action, which NULL asks for.
    const HINSTANCE result =
        ::ShellExecuteA(ToHWND(parent), NullIfEmpty(verb), file.c_str(), NullIfEmpty(parameters),
                        NullIfEmpty(directory), showCmd);
    return reinterpret_cast<std::intptr_t>(result);
}

std::int32_t Shell::SHGetSpecialFolderLocation(Hwnd owner, int folder) {
    LPITEMIDLIST raw = nullptr;
    const HRESULT hr = ::SHGetSpecialFolderLocation(ToHWND(owner), folder, &raw);
    const OwnedPidl pidl(raw);
    return static_cast<std::int32_t>(hr);
}

bool Shell::SHGetPathFromIDList(Hwnd owner, int folder, std::string& path) {
    path.clear();
    LPITEMIDLIST raw = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(ToHWND(owner), folder, &raw)))
        return false;
    const OwnedPidl pidl(raw);
    char buffer[MAX_PATH + 1] = {};
    if (::SHGetPathFromIDListA(pidl.get(), buffer) == 0)
        return false;
    path = buffer;
    return true;
}

} // namespace pocketry::platform::win32
