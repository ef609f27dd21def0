// e2e-driver: started by the Linux-side runner under Wine to look at and poke the windows of
// other processes, the way a user or the shell would. One command per run; results go to stdout
// as lines of tab-separated key=value fields (text escaped: \\ \t \r \n, and in wide texts
// \uXXXX for each UTF-16 unit beyond ASCII); exit code 0 success,
// 1 not found / failed / timed out, 2 usage. Handles are printed and taken in decimal.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <io.h>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr UINT kSendTimeoutMs = 5000;
constexpr UINT kTextTimeoutMs = 2000;
constexpr UINT kTrayCallback = 1793;
// NOTIFYICONDATAA_V1_SIZE (88 here): the size every shell accepts.
constexpr DWORD kTrayV1Size = offsetof(NOTIFYICONDATAA, szTip) + 64;
constexpr int kMsgBoxTextId = 0xFFFF;

template <typename H, auto Free> struct Closer {
    void operator()(H h) const noexcept { Free(h); }
};
template <typename H, auto Free>
using Owned = std::unique_ptr<std::remove_pointer_t<H>, Closer<H, Free>>;
using OwnedHandle = Owned<HANDLE, CloseHandle>;
using OwnedDc = Owned<HDC, DeleteDC>;
using OwnedGdi = Owned<HGDIOBJ, DeleteObject>;
using OwnedHook = Owned<HWINEVENTHOOK, UnhookWinEvent>;

class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

class Selection {
  public:
    Selection(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~Selection() { SelectObject(dc_, old_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

struct UsageError : std::runtime_error {
    UsageError() : std::runtime_error("usage") {}
};

using Args = std::vector<std::string>;

void want_args(const Args& a, size_t n) {
    if (a.size() != n)
        throw UsageError();
}

long long num_arg(const std::string& s) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 0);
    if (s.empty() || *end != '\0' || errno != 0)
        throw UsageError();
    return v;
}

HWND hwnd_arg(const std::string& s) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(num_arg(s)));
}

// Removes a leading option such as --prefix; says whether it was there.
bool take_option(Args& a, const char* option) {
    if (a.empty() || a.front() != option)
        return false;
    a.erase(a.begin());
    return true;
}

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        const char* e = c == '\\'   ? "\\\\"
                        : c == '\t' ? "\\t"
                        : c == '\r' ? "\\r"
                        : c == '\n' ? "\\n"
                                    : nullptr;
        if (e != nullptr)
            out += e;
        else
            out += c;
    }
    return out;
}

// A wide text for the Linux side whatever the code page: ASCII as it is, anything else as
// \uXXXX (UTF-16 units; the reader joins pairs).
std::string escape_wide(const std::wstring& s) {
    std::string out;
    for (const wchar_t c : s) {
        if (c < 0x80) {
            out += escape(std::string(1, static_cast<char>(c)));
        } else {
            char unit[8];
            std::snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(c));
            out += unit;
        }
    }
    return out;
}

class Record {
  public:
    Record& text(const char* key, const std::string& value) { return field(key, escape(value)); }
    Record& wtext(const char* key, const std::wstring& value) {
        return field(key, escape_wide(value));
    }
    Record& num(const char* key, long long value) { return field(key, std::to_string(value)); }
    Record& handle(const char* key, const void* h) {
        return num(key, static_cast<long long>(reinterpret_cast<UINT_PTR>(h)));
    }
    Record& flag(const char* key, bool value) { return field(key, value ? "1" : "0"); }
    Record& hex(const char* key, LONG value) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%lX", static_cast<unsigned long>(value));
        return field(key, buf);
    }
    Record& rect(const char* key, const RECT& r) {
        return field(key, std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                              std::to_string(r.right) + "," + std::to_string(r.bottom));
    }
    void print() const {
        std::printf("%s\n", line_.c_str());
        std::fflush(stdout);
    }

  private:
    Record& field(const char* key, const std::string& value) {
        if (!line_.empty())
            line_ += '\t';
        line_.append(key).append("=").append(value);
        return *this;
    }
    std::string line_;
};

// Polls with a short sleep, never spinning; returns whether cond became true in time.
bool poll_until(long long timeout_ms, const std::function<bool()>& cond) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (cond())
            return true;
        if (static_cast<long long>(GetTickCount64() - start) >= timeout_ms)
            return false;
        Sleep(50);
    }
}

std::string class_name(HWND h) {
    char buf[256];
    const int n = GetClassNameA(h, buf, sizeof buf);
    return std::string(buf, static_cast<size_t>(std::max(n, 0)));
}

bool has_class(HWND h, const char* cls) {
    return _stricmp(class_name(h).c_str(), cls) == 0;
}

// GetWindowTextA never sends to another process, so it cannot hang: right for captions.
std::string caption(HWND h) {
    char buf[1024];
    const int n = GetWindowTextA(h, buf, sizeof buf);
    return std::string(buf, static_cast<size_t>(std::max(n, 0)));
}

// Controls keep their own text (an edit's buffer is not the window-manager text): ask them.
std::string control_text(HWND h) {
    DWORD_PTR len = 0;
    if (SendMessageTimeoutA(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &len) == 0)
        return caption(h);
    std::string s(len + 1, '\0');
    DWORD_PTR got = 0;
    if (SendMessageTimeoutA(h, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(s.data()),
                            SMTO_ABORTIFHUNG, kTextTimeoutMs, &got) == 0)
        return caption(h);
    s.resize(std::min<size_t>(got, len));
    return s;
}

// "&Yes" is pressed by asking for "&Yes" or "Yes".
bool same_label(const std::string& actual, const std::string& wanted) {
    std::string plain;
    for (size_t i = 0; i < actual.size(); ++i)
        plain += actual[i] == '&' && i + 1 < actual.size() ? actual[++i] : actual[i];
    return actual == wanted || plain == wanted;
}

LONG style_of(HWND h) {
    return GetWindowLongA(h, GWL_STYLE);
}
LONG exstyle_of(HWND h) {
    return GetWindowLongA(h, GWL_EXSTYLE);
}

std::string exe_of(DWORD pid) {
    const OwnedHandle process{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)};
    char path[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!process || QueryFullProcessImageNameA(process.get(), 0, path, &size) == 0)
        return {};
    const std::string full(path, size);
    return full.substr(full.find_last_of("\\/") + 1);
}

BOOL CALLBACK collect_window(HWND h, LPARAM out) {
    try {
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(h);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

std::vector<HWND> top_windows() {
    std::vector<HWND> all;
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::vector<HWND> child_windows(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, collect_window, reinterpret_cast<LPARAM>(&all));
    return all;
}

// Class and title compare whole and without regard to case, as FindWindowA does; "*" is any.
struct Pattern {
    std::string cls;
    std::string title;
    bool prefix = false;

    bool matches(HWND h) const {
        if (cls != "*" && !has_class(h, cls.c_str()))
            return false;
        const std::string t = caption(h);
        return title == "*" || (prefix ? _strnicmp(t.c_str(), title.c_str(), title.size())
                                       : _stricmp(t.c_str(), title.c_str())) == 0;
    }
    std::vector<HWND> find() const {
        std::vector<HWND> found;
        for (HWND h : top_windows())
            if (matches(h))
                found.push_back(h);
        return found;
    }
};

Record describe(HWND h) {
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(h, &pid);
    RECT wr{};
    RECT cr{};
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    HWND parent = GetAncestor(h, GA_PARENT);
    Record r;
    r.handle("hwnd", h)
        .text("class", class_name(h))
        .text("title", caption(h))
        .flag("visible", IsWindowVisible(h) != 0)
        .flag("iconic", IsIconic(h) != 0)
        .flag("zoomed", IsZoomed(h) != 0)
        .flag("enabled", IsWindowEnabled(h) != 0)
        .flag("topmost", (exstyle_of(h) & WS_EX_TOPMOST) != 0)
        .flag("foreground", GetForegroundWindow() == h)
        .rect("rect", wr)
        .text("client", std::to_string(cr.right) + "," + std::to_string(cr.bottom))
        .text("origin", std::to_string(origin.x) + "," + std::to_string(origin.y))
        .num("pid", pid)
        .num("tid", tid)
        .text("exe", exe_of(pid))
        .hex("style", style_of(h))
        .hex("exstyle", exstyle_of(h))
        .handle("owner", GetWindow(h, GW_OWNER))
        .handle("parent", parent == GetDesktopWindow() ? nullptr : parent);
    return r;
}

// find / wait / wait-gone [--prefix] CLASS TITLE [MS]
int cmd_find(Args a, bool wait, bool gone) {
    Pattern p;
    p.prefix = take_option(a, "--prefix");
    want_args(a, wait ? 3 : 2);
    p.cls = a[0];
    p.title = a[1];
    std::vector<HWND> found;
    const bool ok = poll_until(wait ? num_arg(a[2]) : 0, [&] {
        found = p.find();
        return found.empty() == gone;
    });
    for (HWND h : found)
        Record().handle("hwnd", h).print();
    return ok ? kOk : kFailed;
}

int cmd_info(const Args& a) {
    want_args(a, 1);
    const HWND h = hwnd_arg(a[0]);
    if (IsWindow(h) == 0)
        return kFailed;
    describe(h).print();
    return kOk;
}

int cmd_list(const Args& a) {
    want_args(a, 0);
    for (HWND h : top_windows())
        describe(h).print();
    return kOk;
}

// One line per descendant; rect is in the client coordinates of the window asked about, so a
// caller sees at once whether a control sticks out of the client area. visible and enabled are
// the control's own flags, so they read the same while the window itself is hidden.
int cmd_children(const Args& a) {
    want_args(a, 1);
    const HWND h = hwnd_arg(a[0]);
    if (IsWindow(h) == 0)
        return kFailed;
    for (HWND c : child_windows(h)) {
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
        Record()
            .handle("hwnd", c)
            .text("class", class_name(c))
            .num("id", GetDlgCtrlID(c))
            .text("text", control_text(c))
            .flag("visible", (style_of(c) & WS_VISIBLE) != 0)
            .flag("enabled", (style_of(c) & WS_DISABLED) == 0)
            .hex("style", style_of(c))
            .hex("exstyle", exstyle_of(c))
            .rect("rect", r)
            .handle("parent", GetParent(c))
            .print();
    }
    return kOk;
}

HWND wait_message_box(const std::string& title, long long timeout) {
    const Pattern p{"#32770", title, false};
    HWND box = nullptr;
    poll_until(timeout, [&] {
        for (HWND h : p.find())
            if (IsWindowVisible(h) != 0)
                box = h;
        return box != nullptr;
    });
    return box;
}

// Message boxes keep every button of their template and hide those not asked for.
std::vector<HWND> visible_buttons(HWND box) {
    std::vector<HWND> buttons;
    for (HWND c : child_windows(box))
        if (has_class(c, "Button") && IsWindowVisible(c) != 0)
            buttons.push_back(c);
    return buttons;
}

// Pixels of a bitmap selected out of mem, top-down 0x00RRGGBB.
std::vector<DWORD> pixels_of(HDC mem, HGDIOBJ bitmap, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    if (GetDIBits(mem, static_cast<HBITMAP>(bitmap), 0, static_cast<UINT>(h), pixels.data(), &bi,
                  DIB_RGB_COLORS) != h)
        pixels.clear();
    return pixels;
}

// What the screen shows in r, or (icon != nullptr) that icon drawn on background colour bg.
std::vector<DWORD> draw(const RECT& r, HICON icon, DWORD bg) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const ScreenDc screen;
    const OwnedDc mem{CreateCompatibleDC(screen.get())};
    const OwnedGdi bitmap{CreateCompatibleBitmap(screen.get(), w, h)};
    if (!mem || !bitmap)
        return {};
    {
        const Selection selected(mem.get(), bitmap.get());
        if (icon == nullptr) {
            BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
        } else {
            // Pixels read back are 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
            const OwnedGdi brush{
                CreateSolidBrush(RGB(GetBValue(bg), GetGValue(bg), GetRValue(bg)))};
            const RECT all{0, 0, w, h};
            FillRect(mem.get(), &all, static_cast<HBRUSH>(brush.get()));
            DrawIconEx(mem.get(), 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
        }
    }
    return pixels_of(mem.get(), bitmap.get(), w, h);
}

// Whether two pictures agree but for a few pixels (edges may blend differently).
bool alike(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    if (a.empty() || a.size() != b.size())
        return false;
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                         static_cast<int>((b[i] >> shift) & 0xFF)) > 40) {
                ++differing;
                break;
            }
    return differing * 50 <= a.size();
}

// Which standard icon a message box shows. The handle another process holds is its own copy
// (under Wine it never equals ours), so the icon is told by the pixels it put on the screen.
std::pair<std::string, std::string> box_icon(HWND box) {
    static const std::pair<const char*, WORD> standard[] = {
        {"error", 32513}, {"question", 32514}, {"warning", 32515}, {"information", 32516}};
    const auto load = [](WORD id) {
        return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(id)));
    };
    HWND icon_static = nullptr;
    for (HWND c : child_windows(box))
        if (has_class(c, "Static") && (style_of(c) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(c) != 0)
            icon_static = c;
    DWORD_PTR shown = 0;
    if (icon_static != nullptr)
        SendMessageTimeoutA(icon_static, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                            &shown);
    if (shown == 0)
        return {"none", "handle"};
    for (const auto& [name, id] : standard)
        if (reinterpret_cast<HICON>(shown) == load(id))
            return {name, "handle"};
    RECT r{};
    GetClientRect(icon_static, &r);
    MapWindowPoints(icon_static, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const RECT left_of{r.left - 2, r.top + (r.bottom - r.top) / 2, r.left - 1,
                       r.top + (r.bottom - r.top) / 2 + 1};
    std::string seen = "unknown";
    // The box may not have painted yet: look again for a moment.
    poll_until(1500, [&] {
        const auto background = draw(left_of, nullptr, 0);
        const auto screen = draw(r, nullptr, 0);
        for (const auto& [name, id] : standard)
            if (!background.empty() && alike(screen, draw(r, load(id), background[0])))
                seen = name;
        return seen != "unknown";
    });
    return {seen, "pixels"};
}

// msgbox [TITLE] MS: the text, icon and buttons of a message box.
int cmd_msgbox(const Args& a) {
    if (a.empty() || a.size() > 2)
        throw UsageError();
    const HWND box = wait_message_box(a.size() == 2 ? a[0] : "Pocketry", num_arg(a.back()));
    if (box == nullptr)
        return kFailed;
    std::string text;
    for (HWND c : child_windows(box))
        if ((GetDlgCtrlID(c) & 0xFFFF) == kMsgBoxTextId && (style_of(c) & SS_TYPEMASK) != SS_ICON)
            text = control_text(c);
    const auto [icon, how] = box_icon(box);
    Record()
        .text("kind", "box")
        .handle("hwnd", box)
        .text("title", caption(box))
        .text("text", text)
        .text("icon", icon)
        .text("icon_by", how)
        .flag("topmost", (exstyle_of(box) & WS_EX_TOPMOST) != 0)
        .hex("style", style_of(box))
        .hex("exstyle", exstyle_of(box))
        .handle("owner", GetWindow(box, GW_OWNER))
        .print();
    for (HWND b : visible_buttons(box))
        Record()
            .text("kind", "button")
            .num("id", GetDlgCtrlID(b))
            .text("text", control_text(b))
            .flag("default", (style_of(b) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            .print();
    return kOk;
}

// answer TITLE BUTTON MS. The box's dialog procedure ends the box on WM_COMMAND with the
// button's id, just as when the button reports a click, focus or not; then waits for it to go.
int cmd_answer(const Args& a) {
    want_args(a, 3);
    const long long timeout = num_arg(a[2]);
    const HWND box = wait_message_box(a[0], timeout);
    if (box == nullptr)
        return kFailed;
    for (HWND b : visible_buttons(box))
        if (same_label(control_text(b), a[1])) {
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED),
                         reinterpret_cast<LPARAM>(b));
            return poll_until(timeout, [&] { return IsWindow(box) == 0; }) ? kOk : kFailed;
        }
    std::fprintf(stderr, "no button \"%s\"\n", a[1].c_str());
    return kFailed;
}

// post|send HWND MSG WPARAM LPARAM (MSG a number or a registered message's name). send has a
// time-out, so a target in a modal loop or hung cannot hang the driver too.
int cmd_message(const Args& a, bool send) {
    want_args(a, 4);
    const HWND h = hwnd_arg(a[0]);
    // A number, or the name of a registered message ("TaskbarCreated").
    const auto msg = std::isdigit(static_cast<unsigned char>(a[1][0])) != 0
                         ? static_cast<UINT>(num_arg(a[1]))
                         : RegisterWindowMessageA(a[1].c_str());
    const auto wparam = static_cast<WPARAM>(num_arg(a[2]));
    const auto lparam = static_cast<LPARAM>(num_arg(a[3]));
    if (!send)
        return PostMessageA(h, msg, wparam, lparam) != 0 ? kOk : kFailed;
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(h, msg, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) == 0)
        return kFailed;
    Record().num("result", static_cast<LONG_PTR>(result)).print();
    return kOk;
}

// dpi-change HWND DPI: what Windows does when a per-monitor aware window reaches a monitor of
// another DPI: WM_GETDPISCALEDSIZE asks the size the window wants there, then WM_DPICHANGED
// suggests a rectangle of that size where the window is. Windows sends both only within the
// window's process, so their SIZE and RECT are placed in that process's memory.
int cmd_dpi_change(const Args& a) {
    want_args(a, 2);
    const HWND h = hwnd_arg(a[0]);
    const auto dpi = static_cast<WORD>(num_arg(a[1]));
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    const OwnedHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process)
        return kFailed;
    void* remote =
        VirtualAllocEx(process.get(), nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr)
        return kFailed;
    const auto send = [&](UINT msg, const void* in, void* out, SIZE_T bytes) {
        SIZE_T done = 0;
        DWORD_PTR result = 0;
        return WriteProcessMemory(process.get(), remote, in, bytes, &done) != 0 &&
               SendMessageTimeoutW(h, msg, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                                   SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0 &&
               ReadProcessMemory(process.get(), remote, out, bytes, &done) != 0;
    };
    RECT rect{};
    GetWindowRect(h, &rect);
    SIZE size{rect.right - rect.left, rect.bottom - rect.top};
    const bool ok = send(0x02E4 /* WM_GETDPISCALEDSIZE */, &size, &size, sizeof size) && [&] {
        // About the window's centre, kept on the screen.
        rect.left = std::max(0L, (rect.left + rect.right - size.cx) / 2);
        rect.top = std::max(0L, (rect.top + rect.bottom - size.cy) / 2);
        rect.right = rect.left + size.cx;
        rect.bottom = rect.top + size.cy;
        RECT copy = rect;
        return send(WM_DPICHANGED, &copy, &copy, sizeof copy);
    }();
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    if (!ok)
        return kFailed;
    Record().rect("suggested", rect).print();
    return kOk;
}

// tray HWND LPARAM: the callback for tray icon 1 (lparam = mouse message), delivered as the
// shell delivers it: sent with SendNotifyMessage, so it runs inside a sent message of the
// owner's thread (never through its GetMessage) while the shell does not wait for it. A posted
// callback would hide what a window destroyed inside a sent message does to a message loop.
int cmd_tray(const Args& a) {
    want_args(a, 2);
    return SendNotifyMessageA(hwnd_arg(a[0]), kTrayCallback, 1,
                              static_cast<LPARAM>(num_arg(a[1]))) != 0
               ? kOk
               : kFailed;
}

// tray-icon HWND ID [MS]: a modify that changes nothing succeeds only while the shell holds the
// icon. tray-delete HWND ID removes it behind its owner's back.
int cmd_tray_icon(const Args& a, bool remove) {
    if (a.size() < 2 || a.size() > (remove ? 2u : 3u))
        throw UsageError();
    NOTIFYICONDATAA nid{};
    nid.cbSize = kTrayV1Size;
    nid.hWnd = hwnd_arg(a[0]);
    nid.uID = static_cast<UINT>(num_arg(a[1]));
    if (remove)
        return Shell_NotifyIconA(NIM_DELETE, &nid) != 0 ? kOk : kFailed;
    const bool present = poll_until(a.size() == 3 ? num_arg(a[2]) : 0,
                                    [&] { return Shell_NotifyIconA(NIM_MODIFY, &nid) != 0; });
    Record().flag("present", present).print();
    return present ? kOk : kFailed;
}

WORD key_arg(const std::string& s) {
    static const std::map<std::string, WORD> names = {
        {"enter", VK_RETURN}, {"esc", VK_ESCAPE}, {"space", VK_SPACE}, {"tab", VK_TAB},
        {"up", VK_UP},        {"down", VK_DOWN},  {"left", VK_LEFT},   {"right", VK_RIGHT}};
    const auto named = names.find(s);
    const long long vk = named != names.end() ? named->second : num_arg(s);
    if (vk <= 0 || vk > 0xFE)
        throw UsageError();
    return static_cast<WORD>(vk);
}

bool bring_to_front(HWND h) {
    SetForegroundWindow(h);
    return poll_until(2000, [&] { return GetForegroundWindow() == h; });
}

// key [--input] HWND VK. Posted keys go to the control that has the focus in the target's
// thread, so they pass through the target's own message loop (and IsDialogMessage) as typed
// keys do. --input brings the window to the front and types through SendInput instead.
int cmd_key(Args a) {
    const bool input = take_option(a, "--input");
    want_args(a, 2);
    const HWND h = hwnd_arg(a[0]);
    const WORD vk = key_arg(a[1]);
    if (IsWindow(h) == 0)
        return kFailed;
    if (input) {
        if (!bring_to_front(h))
            return kFailed;
        INPUT keys[2]{};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = vk;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        return SendInput(2, keys, sizeof(INPUT)) == 2 ? kOk : kFailed;
    }
    HWND target = h;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &gui) != 0 &&
        gui.hwndFocus != nullptr && (gui.hwndFocus == h || IsChild(h, gui.hwndFocus) != 0))
        target = gui.hwndFocus;
    const UINT down = 1u | (MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) << 16);
    const UINT up = down | 0xC0000000u;
    Record().handle("target", target).print();
    return PostMessageA(target, WM_KEYDOWN, vk, static_cast<LPARAM>(down)) != 0 &&
                   PostMessageA(target, WM_KEYUP, vk, static_cast<LPARAM>(static_cast<LONG>(up))) !=
                       0
               ? kOk
               : kFailed;
}

// click HWND TEXT: posts BM_CLICK to the child button with that text; as for a user, a hidden
// or disabled button cannot be clicked (exit code 1).
int cmd_click(const Args& a) {
    want_args(a, 2);
    for (HWND c : child_windows(hwnd_arg(a[0]))) {
        if (!has_class(c, "Button") || !same_label(control_text(c), a[1]))
            continue;
        if (IsWindowVisible(c) == 0 || IsWindowEnabled(c) == 0) {
            std::fprintf(stderr, "button \"%s\" is hidden or disabled\n", a[1].c_str());
            return kFailed;
        }
        Record().handle("hwnd", c).print();
        return PostMessageA(c, BM_CLICK, 0, 0) != 0 ? kOk : kFailed;
    }
    std::fprintf(stderr, "no button \"%s\"\n", a[1].c_str());
    return kFailed;
}

int cmd_close(const Args& a) {
    want_args(a, 1);
    return PostMessageA(hwnd_arg(a[0]), WM_CLOSE, 0, 0) != 0 ? kOk : kFailed;
}

// show HWND CMD (SW_ number, or hide/show/minimize/restore). Asynchronous: a synchronous show
// of another process's window waits for that process.
int cmd_show(const Args& a) {
    static const std::map<std::string, int> names = {
        {"hide", SW_HIDE}, {"show", SW_SHOW}, {"minimize", SW_MINIMIZE}, {"restore", SW_RESTORE}};
    want_args(a, 2);
    const HWND h = hwnd_arg(a[0]);
    const auto named = names.find(a[1]);
    ShowWindowAsync(h, named != names.end() ? named->second : static_cast<int>(num_arg(a[1])));
    return IsWindow(h) != 0 ? kOk : kFailed;
}

int cmd_foreground(const Args& a) {
    want_args(a, 1);
    const bool ok = bring_to_front(hwnd_arg(a[0]));
    Record().handle("foreground_window", GetForegroundWindow()).print();
    return ok ? kOk : kFailed;
}

int cmd_text(const Args& a) {
    want_args(a, 1);
    const HWND h = hwnd_arg(a[0]);
    if (IsWindow(h) == 0)
        return kFailed;
    Record().text("text", control_text(h)).print();
    return kOk;
}

bool move_mouse(int x, int y) {
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = x * 65535 / std::max(1, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = y * 65535 / std::max(1, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &move, sizeof(INPUT)) == 1;
}

std::vector<HWND> visible_of_class(const char* cls) {
    std::vector<HWND> found;
    for (HWND h : top_windows())
        if (has_class(h, cls) && IsWindowVisible(h) != 0)
            found.push_back(h);
    return found;
}

// tooltip X Y MS: rests the mouse at a point, as a user hovering, and reports the tooltip that
// appears: the one way to read a tray icon's tip, which the shell keeps in its own memory.
int cmd_tooltip(const Args& a) {
    want_args(a, 3);
    const auto x = static_cast<int>(num_arg(a[0]));
    const auto y = static_cast<int>(num_arg(a[1]));
    // Tooltips wait for the mouse to move onto their tool and come to rest.
    if (!move_mouse(x - 1, y) || !move_mouse(x, y))
        return kFailed;
    std::vector<HWND> tips;
    if (!poll_until(num_arg(a[2]),
                    [&] { return !(tips = visible_of_class("tooltips_class32")).empty(); }))
        return kFailed;
    Record().handle("hwnd", tips[0]).text("text", control_text(tips[0])).print();
    return kOk;
}

// menu [MS]: the open pop-up menu. Its items are listed only if this process can read the menu;
// under Wine a menu lives in its owner's process and reads as count=-1.
int cmd_menu(const Args& a) {
    if (a.size() > 1)
        throw UsageError();
    std::vector<HWND> menus;
    if (!poll_until(a.empty() ? 0 : num_arg(a[0]),
                    [&] { return !(menus = visible_of_class("#32768")).empty(); }))
        return kFailed;
    for (HWND m : menus) {
        DWORD_PTR value = 0;
        SendMessageTimeoutA(m, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &value);
        const auto menu = reinterpret_cast<HMENU>(value);
        const int count = menu != nullptr ? GetMenuItemCount(menu) : -1;
        RECT r{};
        GetWindowRect(m, &r);
        DWORD pid = 0;
        GetWindowThreadProcessId(m, &pid);
        Record()
            .text("kind", "menu")
            .handle("hwnd", m)
            .rect("rect", r)
            .num("pid", pid)
            .handle("hmenu", menu)
            .num("count", count)
            .num("default_item",
                 count > 0 ? static_cast<int>(GetMenuDefaultItem(menu, TRUE, 0)) : -1)
            .print();
        for (UINT i = 0; static_cast<int>(i) < count; ++i) {
            char text[256] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            Record()
                .text("kind", "item")
                .num("pos", i)
                .text("text", text)
                .hex("state", static_cast<LONG>(state))
                .flag("separator", (state & MF_SEPARATOR) != 0)
                .flag("enabled", (state & (MF_GRAYED | MF_DISABLED)) == 0)
                .flag("checked", (state & MF_CHECKED) != 0)
                .print();
        }
    }
    return kOk;
}

// menu-close: Esc posted to the menu window ends the menu loop in its owner's thread (posted
// keys drive an open menu: down/enter choose an item); WM_CANCELMODE is the fallback.
int cmd_menu_close(const Args& a) {
    want_args(a, 0);
    const auto none_open = [] { return visible_of_class("#32768").empty(); };
    for (HWND m : visible_of_class("#32768")) {
        PostMessageA(m, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(m, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(static_cast<LONG>(0xC0010001u)));
    }
    if (poll_until(1500, none_open))
        return kOk;
    for (HWND m : visible_of_class("#32768"))
        SendMessageTimeoutA(m, WM_CANCELMODE, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, nullptr);
    return poll_until(1500, none_open) ? kOk : kFailed;
}

// track CLASS TITLE MS: follows the first matching top-level window for MS ms, polling every
// 10 ms, and prints its state (t = ms since the start) first and whenever it changes; exists=0
// while there is none. Reactions of other programs are timed on one clock this way.
struct Tracked {
    HWND hwnd = nullptr;
    bool visible = false;
    bool iconic = false;
    bool topmost = false;
    bool foreground = false;
    bool operator==(const Tracked&) const = default;
};

int cmd_track(const Args& a) {
    want_args(a, 3);
    const Pattern p{a[0], a[1], false};
    const long long timeout = num_arg(a[2]);
    const ULONGLONG start = GetTickCount64();
    bool first = true;
    Tracked last;
    for (;;) {
        const auto elapsed = static_cast<long long>(GetTickCount64() - start);
        const auto found = p.find();
        Tracked now;
        if (!found.empty()) {
            now.hwnd = found.front();
            now.visible = IsWindowVisible(now.hwnd) != 0;
            now.iconic = IsIconic(now.hwnd) != 0;
            now.topmost = (exstyle_of(now.hwnd) & WS_EX_TOPMOST) != 0;
            now.foreground = GetForegroundWindow() == now.hwnd;
        }
        if (first || !(now == last))
            Record()
                .num("t", elapsed)
                .handle("hwnd", now.hwnd)
                .flag("exists", now.hwnd != nullptr)
                .flag("visible", now.visible)
                .flag("iconic", now.iconic)
                .flag("topmost", now.topmost)
                .flag("foreground", now.foreground)
                .print();
        first = false;
        last = now;
        if (elapsed >= timeout)
            return kOk;
        Sleep(10);
    }
}

// clip TEXT: puts TEXT on the clipboard as CF_TEXT; an empty TEXT empties the clipboard.
class OpenClipboardSession {
  public:
    OpenClipboardSession() : open_(poll_until(2000, [] { return OpenClipboard(nullptr) != 0; })) {}
    ~OpenClipboardSession() {
        if (open_)
            CloseClipboard();
    }
    OpenClipboardSession(const OpenClipboardSession&) = delete;
    OpenClipboardSession& operator=(const OpenClipboardSession&) = delete;
    bool is_open() const { return open_; }

  private:
    bool open_;
};

int cmd_clip(const Args& a) {
    want_args(a, 1);
    const OpenClipboardSession clipboard;
    if (!clipboard.is_open() || EmptyClipboard() == 0)
        return kFailed;
    if (a[0].empty())
        return kOk;
    Owned<HGLOBAL, GlobalFree> memory{GlobalAlloc(GMEM_MOVEABLE, a[0].size() + 1)};
    void* bytes = memory ? GlobalLock(memory.get()) : nullptr;
    if (bytes == nullptr)
        return kFailed;
    std::memcpy(bytes, a[0].c_str(), a[0].size() + 1);
    GlobalUnlock(memory.get());
    if (SetClipboardData(CF_TEXT, memory.get()) == nullptr)
        return kFailed;
    static_cast<void>(memory.release()); // the clipboard owns it now
    return kOk;
}

// chord HWND KEYS: brings the window to the front and types one key with modifiers held, as
// "alt+j", "ctrl+tab", "ctrl+shift+tab", "shift+tab" (a letter, or a name that key takes).
// Posted keys cannot do this: the target reads Alt, Ctrl and Shift from its own key state,
// which only real input changes.
int cmd_chord(const Args& a) {
    want_args(a, 2);
    const HWND h = hwnd_arg(a[0]);
    std::vector<WORD> mods;
    std::string rest = a[1];
    static const std::map<std::string, WORD> modifier = {
        {"alt", VK_MENU}, {"ctrl", VK_CONTROL}, {"shift", VK_SHIFT}};
    for (size_t plus; (plus = rest.find('+')) != std::string::npos && plus + 1 < rest.size();) {
        const auto m = modifier.find(rest.substr(0, plus));
        if (m == modifier.end())
            throw UsageError();
        mods.push_back(m->second);
        rest.erase(0, plus + 1);
    }
    const WORD vk = rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0])) != 0
                        ? static_cast<WORD>(std::toupper(static_cast<unsigned char>(rest[0])))
                        : key_arg(rest);
    if (IsWindow(h) == 0 || !bring_to_front(h))
        return kFailed;
    std::vector<INPUT> keys;
    const auto press = [&keys](WORD key, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        keys.push_back(in);
    };
    for (WORD m : mods)
        press(m, false);
    press(vk, false);
    press(vk, true);
    for (auto m = mods.rbegin(); m != mods.rend(); ++m)
        press(*m, true);
    const UINT sent = SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    return sent == keys.size() ? kOk : kFailed;
}

// focus HWND: the control that has the keyboard focus in the window's thread.
int cmd_focus(const Args& a) {
    want_args(a, 1);
    const HWND h = hwnd_arg(a[0]);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (IsWindow(h) == 0 || GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &gui) == 0)
        return kFailed;
    Record()
        .handle("hwnd", gui.hwndFocus)
        .text("class", gui.hwndFocus != nullptr ? class_name(gui.hwndFocus) : std::string())
        .text("text", gui.hwndFocus != nullptr ? control_text(gui.hwndFocus) : std::string())
        .handle("active", gui.hwndActive)
        .print();
    return kOk;
}

template <typename T> struct ComReleaser {
    void operator()(T* p) const noexcept { p->Release(); }
};
template <typename T> using ComPtr = std::unique_ptr<T, ComReleaser<T>>;

class ComApartment {
  public:
    ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (ok_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_;
};

// shelllink PATH: reads a .lnk back through IShellLinkW: target (path and item ID list),
// arguments, working folder,
// whole in any script. PATH is taken from the wide command line.
int cmd_shelllink(const Args& a) {
    want_args(a, 1);
    int count = 0;
    LPWSTR* const wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return kFailed;
    const std::wstring path = wide[count - 1];
    LocalFree(wide);
    const ComApartment com;
    if (!com.ok())
        return kFailed;
    IShellLinkW* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&raw))))
        return kFailed;
    const ComPtr<IShellLinkW> link{raw};
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
        return kFailed;
    const ComPtr<IPersistFile> file{rawFile};
    if (FAILED(file->Load(path.c_str(), STGM_READ)))
        return kFailed;
    wchar_t target[MAX_PATH]{};
    wchar_t arguments[1024]{};
    wchar_t folder[MAX_PATH]{};
    wchar_t listed[MAX_PATH]{};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, 1024);
    link->GetWorkingDirectory(folder, MAX_PATH);
    // The target's item ID list as well: Wine writes the path of a .lnk in the ANSI code page
    // only, so its GetPath loses what the code page lacks, while the ID list keeps the names.
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(link->GetIDList(&list)) && list != nullptr) {
        SHGetPathFromIDListW(list, listed);
        CoTaskMemFree(list);
    }
    Record()
        .wtext("path", target)
        .wtext("idpath", listed)
        .wtext("arguments", arguments)
        .wtext("workdir", folder)
        .print();
    return kOk;
}

// errtext NUMBER: the system's description of an error number, as FormatMessageA gives it.
int cmd_errtext(const Args& a) {
    want_args(a, 1);
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(num_arg(a[0])), 0, reinterpret_cast<char*>(&buffer), 0,
        nullptr);
    if (buffer == nullptr)
        return kFailed;
    const std::string text(buffer, length);
    LocalFree(buffer);
    Record().text("text", text).print();
    return kOk;
}

int cmd_screen(const Args& a) {
    want_args(a, 0);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const ScreenDc screen;
    Record()
        .rect("workarea", work)
        .text("screen", std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "," +
                            std::to_string(GetSystemMetrics(SM_CYSCREEN)))
        .num("dpi", GetDeviceCaps(screen.get(), LOGPIXELSX))
        .print();
    return kOk;
}

// watch MS: reports top-level windows other processes create (event=create, from a win event
// hook, so even a window that lives a few milliseconds is seen) and every top-level window that
// becomes visible (event=shown, from a 20 ms poll: Wine sends no EVENT_OBJECT_SHOW). Prints a
// "ready" line first, so the caller knows when to start what it wants watched.
std::set<HWND>* g_created = nullptr;

void CALLBACK on_create(HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG child, DWORD, DWORD) {
    try {
        if (g_created != nullptr && h != nullptr && object == OBJID_WINDOW &&
            child == CHILDID_SELF && GetAncestor(h, GA_PARENT) == GetDesktopWindow() &&
            g_created->insert(h).second)
            describe(h).text("event", "create").print();
    } catch (...) {
    }
}

int cmd_watch(const Args& a) {
    want_args(a, 1);
    const long long timeout = num_arg(a[0]);
    std::set<HWND> created;
    std::set<HWND> shown;
    for (HWND h : top_windows())
        if (IsWindowVisible(h) != 0)
            shown.insert(h);
    g_created = &created;
    const OwnedHook hook{SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr,
                                         on_create, 0, 0,
                                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS)};
    Record().flag("ready", true).flag("hook", hook != nullptr).print();
    const ULONGLONG start = GetTickCount64();
    while (static_cast<long long>(GetTickCount64() - start) < timeout) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0)
            DispatchMessageA(&msg);
        for (HWND h : top_windows())
            if (IsWindowVisible(h) != 0 && shown.insert(h).second)
                describe(h).text("event", "shown").print();
    }
    g_created = nullptr;
    return kOk;
}

// Milliseconds on a fine clock, for the benchmark's timings.
double now_ms() {
    static const double per_ms = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c{};
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / per_ms;
}

// answer-timed TITLE BUTTON MS: answers a box as answer does, then waits for the next visible
// box with that title; prints the milliseconds from the answer to that box (the work the
// answer started, timed in one process without a driver start in between).
int cmd_answer_timed(const Args& a) {
    want_args(a, 3);
    const long long timeout = num_arg(a[2]);
    const HWND box = wait_message_box(a[0], timeout);
    if (box == nullptr)
        return kFailed;
    HWND yes = nullptr;
    for (HWND b : visible_buttons(box))
        if (same_label(control_text(b), a[1]))
            yes = b;
    if (yes == nullptr) {
        std::fprintf(stderr, "no button \"%s\"\n", a[1].c_str());
        return kFailed;
    }
    const HWND found = FindWindowA("#32770", a[0].c_str());
    const double start = now_ms();
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(yes), BN_CLICKED),
                 reinterpret_cast<LPARAM>(yes));
    HWND next = nullptr;
    const ULONGLONG begun = GetTickCount64();
    while (static_cast<long long>(GetTickCount64() - begun) < timeout) {
        const HWND h = FindWindowA("#32770", a[0].c_str());
        if (h != nullptr && h != box && h != found && IsWindowVisible(h) != 0) {
            next = h;
            break;
        }
        Sleep(5);
    }
    if (next == nullptr)
        return kFailed;
    Record().num("ms", static_cast<long long>(now_ms() - start + 0.5)).print();
    return kOk;
}

// notice [--gone] CLASS TITLE HWND MS: waits for a window of that class and title to exist (or,
// with --gone, to be gone), polling every 2 ms, then sends WM_NULL to HWND; prints how long
// HWND took to answer after the change. A program busy in a wait answers only once the wait
// has noticed the change, so this is the time the wait took to notice.
int cmd_notice(Args a) {
    const bool gone = take_option(a, "--gone");
    want_args(a, 4);
    const HWND target = hwnd_arg(a[2]);
    const long long timeout = num_arg(a[3]);
    const ULONGLONG begun = GetTickCount64();
    for (;;) {
        if ((FindWindowA(a[0].c_str(), a[1].c_str()) != nullptr) != gone)
            break;
        if (static_cast<long long>(GetTickCount64() - begun) >= timeout)
            return kFailed;
        Sleep(2);
    }
    const double changed = now_ms();
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout),
                            &result) == 0)
        return kFailed;
    Record().num("ms", static_cast<long long>(now_ms() - changed + 0.5)).print();
    return kOk;
}

// A file's attributes as GetFileAttributesA reports them, e.g. to see whether a planted
// directory link carries FILE_ATTRIBUTE_REPARSE_POINT.
int cmd_attrs(const Args& a) {
    want_args(a, 1);
    const DWORD attributes = GetFileAttributesA(a[0].c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Record().num("error", static_cast<long long>(GetLastError())).print();
        return kFailed;
    }
    Record()
        .hex("attributes", static_cast<LONG>(attributes))
        .flag("directory", (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        .flag("reparse", (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        .flag("readonly", (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        .print();
    return kOk;
}

// A directory symbolic link made the Windows way, to see whether this system makes one.
int cmd_mklink(const Args& a) {
    want_args(a, 2);
    using Create = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto create = reinterpret_cast<Create>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "CreateSymbolicLinkA")));
    if (create == nullptr) {
        Record().text("missing", "CreateSymbolicLinkA").print();
        return kFailed;
    }
    constexpr DWORD kDirectory = 0x1; // SYMBOLIC_LINK_FLAG_DIRECTORY
    if (create(a[0].c_str(), a[1].c_str(), kDirectory) == 0) {
        Record().num("error", static_cast<long long>(GetLastError())).print();
        return kFailed;
    }
    return kOk;
}

int usage() {
    std::fputs("usage: e2e-driver COMMAND ARGS\n"
               "  find|wait-gone [--prefix] CLASS TITLE   wait [--prefix] CLASS TITLE MS\n"
               "  info HWND | children HWND | text HWND   list | screen | watch MS\n"
               "  msgbox [TITLE] MS                       answer TITLE BUTTON MS\n"
               "  post|send HWND MSG WPARAM LPARAM        tray HWND LPARAM\n"
               "  tray-icon HWND ID [MS]                  tray-delete HWND ID\n"
               "  key [--input] HWND VK                   click HWND BUTTONTEXT\n"
               "  close HWND | show HWND CMD | foreground HWND | tooltip X Y MS\n"
               "  menu [MS] | menu-close                  track CLASS TITLE MS | clip TEXT\n"
               "  chord HWND [alt+|ctrl+|shift+]...KEY    focus HWND | shelllink PATH | errtext N\n"
               "  answer-timed TITLE BUTTON MS            notice [--gone] CLASS TITLE HWND MS\n"
               "  attrs PATH                              mklink LINK TARGET\n",
               stderr);
    return kUsage;
}

int run(const std::string& command, const Args& a) {
    static const std::map<std::string, std::function<int(const Args&)>> commands = {
        {"find", [](const Args& x) { return cmd_find(x, false, false); }},
        {"wait", [](const Args& x) { return cmd_find(x, true, false); }},
        {"wait-gone", [](const Args& x) { return cmd_find(x, true, true); }},
        {"info", cmd_info},
        {"list", cmd_list},
        {"children", cmd_children},
        {"msgbox", cmd_msgbox},
        {"answer", cmd_answer},
        {"post", [](const Args& x) { return cmd_message(x, false); }},
        {"send", [](const Args& x) { return cmd_message(x, true); }},
        {"tray", cmd_tray},
        {"dpi-change", cmd_dpi_change},
        {"tray-icon", [](const Args& x) { return cmd_tray_icon(x, false); }},
        {"tray-delete", [](const Args& x) { return cmd_tray_icon(x, true); }},
        {"key", [](const Args& x) { return cmd_key(x); }},
        {"click", cmd_click},
        {"close", cmd_close},
        {"show", cmd_show},
        {"foreground", cmd_foreground},
        {"text", cmd_text},
        {"tooltip", cmd_tooltip},
        {"menu", cmd_menu},
        {"menu-close", cmd_menu_close},
        {"screen", cmd_screen},
        {"track", cmd_track},
        {"clip", cmd_clip},
        {"watch", cmd_watch},
        {"chord", cmd_chord},
        {"focus", cmd_focus},
        {"shelllink", cmd_shelllink},
        {"errtext", cmd_errtext},
        {"answer-timed", cmd_answer_timed},
        {"notice", [](const Args& x) { return cmd_notice(x); }},
        {"attrs", cmd_attrs},
        {"mklink", cmd_mklink},
    };
    const auto found = commands.find(command);
    return found == commands.end() ? usage() : found->second(a);
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY); // plain \n line ends for the Linux side
    if (argc < 2)
        return usage();
    try {
        return run(argv[1], Args(argv + 2, argv + argc));
    } catch (const UsageError&) {
        return usage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return kFailed;
    }
}
