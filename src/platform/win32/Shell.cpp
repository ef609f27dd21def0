#include "platform/win32/Shell.h"

#include <algorithm>
#include <cstring>

namespace pocketry::platform::win32 {

namespace {

// The tip's UTF-8 text up to its NUL. A tip cut to the field's size may end in
// part of a character; that part is left out rather than shown as U+FFFD.
std::string TipText(const char (&tip)[64]) {
    std::size_t length = 0;
    while (length < sizeof tip && tip[length] != '\0')
        ++length;
    std::size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(tip[start - 1]) & 0xC0) == 0x80)
        --start; // continuation bytes of the last character
    if (start > 0 && static_cast<unsigned char>(tip[start - 1]) >= 0xC0) {
        const unsigned char lead = static_cast<unsigned char>(tip[start - 1]);
        const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (length - (start - 1) < needed)
            length = start - 1;
    }
    return std::string(tip, length);
}

} // namespace

bool Shell::Shell_NotifyIconA(std::uint32_t dwMessage, const NotifyIconDataA& data) {
    // The program's record is the first, 88-byte form of the ANSI structure
    // with a UTF-8 tip. The shell is given the first form of the wide
    // structure (NOTIFYICONDATAW_V1_SIZE, 64 UTF-16 units of tip), which every
    // version of Windows accepts, with the fields copied across.
    NOTIFYICONDATAW nid{};
    nid.cbSize = static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE);
    nid.hWnd = ToHWND(data.hWnd);
    nid.uID = data.uID;
    nid.uFlags = data.uFlags;
    nid.uCallbackMessage = data.uCallbackMessage;
    nid.hIcon = ToHICON(data.hIcon);
    const std::wstring tip = Wide(TipText(data.szTip));
    constexpr std::size_t kTipUnits = 64;
    static_assert(sizeof nid.szTip / sizeof nid.szTip[0] >= kTipUnits);
    const std::size_t units = WholeUnits(tip.data(), std::min(tip.size(), kTipUnits - 1));
    std::copy_n(tip.data(), units, nid.szTip);
    nid.szTip[units] = L'\0';
    return ::Shell_NotifyIconW(dwMessage, &nid) != 0;
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
    const std::wstring wideVerb = Wide(verb), wideFile = Wide(file),
                       wideParameters = Wide(parameters), wideDirectory = Wide(directory);
    const HINSTANCE result =
        ::ShellExecuteW(ToHWND(parent), NullIfEmpty(wideVerb), wideFile.c_str(),
                        NullIfEmpty(wideParameters), NullIfEmpty(wideDirectory), showCmd);
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
    wchar_t buffer[MAX_PATH + 1] = {};
    if (::SHGetPathFromIDListW(pidl.get(), buffer) == 0)
        return false;
    path = Utf8(buffer);
    return true;
}

} // namespace pocketry::platform::win32
