// The simulated window manager.
#include "platform/sim/sim_windows.h"

#include <algorithm>
#include <utility>

#include "platform/sim/sim.h"
#include "platform/sim/sim_util.h"

namespace pocketry::sim {

using namespace platform;

// ------------------------------------------------------------------ windows

Hwnd SimWindows::AddWindow(NewWindow n) {
    SimWindow w;
    w.hWnd = NewHandle();
    w.className = std::move(n.className);
    w.title = std::move(n.title);
    w.parent = n.parent;
    w.threadId = n.threadId;
    w.processId = n.processId;
    w.visible = n.visible;
    w.topmost = n.topmost;
    w.minimized = n.minimized;
    w.handler = std::move(n.handler);
    w.wndProc = 0x00520000u + w.hWnd; // some other process's procedure
    const Hwnd h = w.hWnd;
    if (w.parent != 0 && Window(w.parent) != nullptr)
        Window(w.parent)->children.push_back(h);
    else {
        w.parent = 0;
        zOrder_.insert(zOrder_.begin(), h);
    }
    windows_.emplace(h, std::move(w));
    return h;
}

void SimWindows::RemoveWindow(Hwnd hWnd) {
    SimWindow* w = Window(hWnd);
    if (w == nullptr)
        return;
    for (Hwnd child : std::vector<Hwnd>(w->children))
        RemoveWindow(child);
    if (w->parent != 0) {
        if (SimWindow* p = Window(w->parent))
            std::erase(p->children, hWnd);
    }
    std::erase(zOrder_, hWnd);
    if (foreground_ == hWnd)
        foreground_ = 0;
    if (active_ == hWnd)
        active_ = 0;
    if (w->form != nullptr)
        w->form->WindowGone(); // destroyed from outside: no handlers run
    held_.erase(hWnd);
    shutdownReasons_.erase(hWnd);
    windows_.erase(hWnd);
}

SimWindow* SimWindows::Window(Hwnd hWnd) {
    auto it = windows_.find(hWnd);
    return it == windows_.end() ? nullptr : &it->second;
}

const SimWindow* SimWindows::Window(Hwnd hWnd) const {
    auto it = windows_.find(hWnd);
    return it == windows_.end() ? nullptr : &it->second;
}

std::vector<Hwnd> SimWindows::TopLevelWindows() const {
    std::vector<Hwnd> out;
    for (bool topmost : {true, false})
        for (Hwnd h : zOrder_)
            if (windows_.at(h).topmost == topmost)
                out.push_back(h);
    return out;
}

void SimWindows::SetWindowHandler(Hwnd hWnd, MessageHandler handler) {
    if (SimWindow* w = Window(hWnd))
        w->handler = std::move(handler);
}

void SimWindows::BringToTop(Hwnd hWnd) {
    if (std::find(zOrder_.begin(), zOrder_.end(), hWnd) == zOrder_.end())
        return;
    std::erase(zOrder_, hWnd);
    zOrder_.insert(zOrder_.begin(), hWnd);
}

void SimWindows::Activate(Hwnd hWnd) {
    BringToTop(hWnd);
    foreground_ = active_ = hWnd;
}

void SimWindows::Deactivate(Hwnd hWnd) {
    if (foreground_ == hWnd)
        foreground_ = 0;
    if (active_ == hWnd)
        active_ = 0;
}

void SimWindows::SetForeground(Hwnd hWnd) {
    if (Window(hWnd) != nullptr)
        Activate(hWnd);
}

namespace {
bool NameMatches(const char* want, const std::string& have) {
    return want == nullptr || EqualNoCase(want, have);
}
} // namespace

Hwnd SimWindows::FindWindowA(const char* className, const char* windowName) {
    for (Hwnd h : TopLevelWindows()) {
        const SimWindow& w = windows_.at(h);
        if (NameMatches(className, w.className) && NameMatches(windowName, w.title))
            return h;
    }
    return 0;
}

Hwnd SimWindows::FindWindowExA(Hwnd parent, Hwnd childAfter, const char* className,
                               const char* windowName) {
    std::vector<Hwnd> list;
    if (parent == 0 || parent == kDesktopWindow)
        list = TopLevelWindows();
    else if (const SimWindow* p = Window(parent))
        list = p->children;
    else
        return 0;
    auto it = list.begin();
    if (childAfter != 0) {
        it = std::find(list.begin(), list.end(), childAfter);
        if (it == list.end())
            return 0;
        ++it;
    }
    for (; it != list.end(); ++it) {
        const SimWindow& w = windows_.at(*it);
        if (NameMatches(className, w.className) && NameMatches(windowName, w.title))
            return *it;
    }
    return 0;
}

bool SimWindows::EnumWindows(WNDENUMPROC proc, std::intptr_t lParam) {
    for (Hwnd h : TopLevelWindows()) {
        if (Window(h) == nullptr)
            continue; // closed by an earlier callback
        bool more = false;
        desk_.Guard("an EnumWindows callback", [&] { more = proc(h, lParam); });
        if (!more)
            return false;
    }
    return true;
}

namespace {
// At most maxCount - 1 characters as Windows counts them (UTF-16 units, a
// character beyond the first plane two, never half of one), handed back as
// UTF-8 with its length.
int CopyTruncated(const std::string& from, std::string& to, int maxCount) {
    to.clear();
    if (maxCount <= 0)
        return 0;
    std::size_t end = 0, units = 0;
    while (end < from.size()) {
        const auto lead = static_cast<unsigned char>(from[end]);
        const std::size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const std::size_t width = bytes == 4 ? 2 : 1;
        if (units + width > static_cast<std::size_t>(maxCount - 1))
            break;
        units += width;
        end = std::min(from.size(), end + bytes);
    }
    to = from.substr(0, end);
    return static_cast<int>(to.size());
}
} // namespace

int SimWindows::GetClassNameA(Hwnd hWnd, std::string& text, int maxCount) {
    const SimWindow* w = Window(hWnd);
    if (w == nullptr) {
        text.clear();
        return 0;
    }
    return CopyTruncated(w->className, text, maxCount);
}

int SimWindows::GetWindowTextA(Hwnd hWnd, std::string& text, int maxCount) {
    const SimWindow* w = Window(hWnd);
    if (w == nullptr) {
        text.clear();
        return 0;
    }
    return CopyTruncated(w->title, text, maxCount);
}

bool SimWindows::IsWindowVisible(Hwnd hWnd) {
    for (const SimWindow* w = Window(hWnd); w != nullptr; w = Window(w->parent)) {
        if (!w->visible)
            return false;
        if (w->parent == 0)
            return true;
    }
    return false;
}

bool SimWindows::IsIconic(Hwnd hWnd) {
    const SimWindow* w = Window(hWnd);
    return w != nullptr && w->minimized;
}

std::uint32_t SimWindows::GetWindowThreadProcessId(Hwnd hWnd) {
    const SimWindow* w = Window(hWnd);
    return w == nullptr ? 0 : w->threadId;
}

std::uint32_t SimWindows::GetWindowThreadProcessId(Hwnd hWnd, std::uint32_t& processId) {
    const SimWindow* w = Window(hWnd);
    processId = w == nullptr ? 0 : w->processId;
    return w == nullptr ? 0 : w->threadId;
}

bool SimWindows::ShutdownBlockReasonCreate(Hwnd hWnd, const std::string& reason) {
    // Only the thread that made the window may give its reason.
    const SimWindow* w = Window(hWnd);
    if (w == nullptr || w->threadId != kProgramThreadId)
        return false;
    shutdownReasons_[hWnd] = reason;
    return true;
}

bool SimWindows::ShutdownBlockReasonDestroy(Hwnd hWnd) {
    const SimWindow* w = Window(hWnd);
    if (w == nullptr || w->threadId != kProgramThreadId)
        return false;
    shutdownReasons_.erase(hWnd);
    return true;
}

std::optional<std::string> SimWindows::ShutdownBlockReason(Hwnd hWnd) const {
    const auto it = shutdownReasons_.find(hWnd);
    if (it == shutdownReasons_.end())
        return std::nullopt;
    return it->second;
}

bool SimWindows::AttachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo, bool attach) {
    attach_.push_back({idAttach, idAttachTo, attach});
    return idAttach != 0 && idAttachTo != 0 && idAttach != idAttachTo;
}

bool SimWindows::SetForegroundWindow(Hwnd hWnd) {
    setForeground_.push_back(hWnd);
    if (failSetForeground_ || Window(hWnd) == nullptr)
        return false;
    Activate(hWnd);
    return true;
}

Hwnd SimWindows::SetActiveWindow(Hwnd hWnd) {
    setActive_.push_back(hWnd);
    if (Window(hWnd) == nullptr)
        return 0;
    const Hwnd previous = active_;
    active_ = hWnd;
    return previous;
}

void SimWindows::ApplyShow(SimWindow& w, int cmdShow) {
    const bool wasMin = w.minimized, wasMax = w.maximized;
    bool activate = false;
    switch (cmdShow) {
    case SW_HIDE:
        w.visible = false;
        break;
    case SW_SHOWNORMAL: // also SW_RESTORE and SW_SHOWDEFAULT
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
        w.visible = true, w.minimized = w.maximized = false, activate = true;
        break;
    case 4: // SW_SHOWNOACTIVATE
        w.visible = true, w.minimized = w.maximized = false;
        break;
    case 2: // SW_SHOWMINIMIZED
        w.visible = true, w.minimized = true, activate = true;
        break;
    case 3: // SW_SHOWMAXIMIZED
        w.visible = true, w.minimized = false, w.maximized = true, activate = true;
        break;
    case SW_SHOW:
        w.visible = true, activate = true;
        break;
    case 6:  // SW_MINIMIZE
    case 11: // SW_FORCEMINIMIZE
    case SW_SHOWMINNOACTIVE:
        w.minimized = true;
        break;
    case 8:
        w.visible = true;
        break; // SW_SHOWNA
    default:
        break;
    }
    const Hwnd h = w.hWnd;
    if ((!w.visible || w.minimized) && foreground_ == h)
        foreground_ = 0; // activation passes to no one in particular
    if (activate && !w.minimized && w.parent == 0)
        Activate(h);
    if (SimForm* f = w.form) {
        // The first show brings the window its size, and a state change its own.
        const bool first = w.visible && f->TakeFirstShow();
        const bool changed = wasMin != w.minimized || wasMax != w.maximized;
        const std::uint64_t id = f->Id();
        if (first)
            f->StateChanged();
        if (changed && desk_.FormAlive(id) && f->Loaded())
            f->StateChanged();
    }
}

bool SimWindows::ShowWindow(Hwnd hWnd, int cmdShow) {
    showWindow_.push_back({hWnd, cmdShow});
    SimWindow* w = Window(hWnd);
    if (w == nullptr || WouldHang(hWnd, "ShowWindow"))
        return false;
    const bool wasVisible = w->visible;
    ApplyShow(*w, cmdShow);
    return wasVisible;
}

bool SimWindows::ShowWindowAsync(Hwnd hWnd, int cmdShow) {
    showWindow_.push_back({hWnd, cmdShow, true});
    if (Window(hWnd) == nullptr)
        return false;
    WhenAnswering(hWnd, [this, hWnd, cmdShow] {
        if (SimWindow* w = Window(hWnd))
            ApplyShow(*w, cmdShow);
    });
    return true;
}

bool SimWindows::IsHungAppWindow(Hwnd hWnd) {
    const SimWindow* w = Window(hWnd);
    return w != nullptr && w->hung;
}

void SimWindows::SetHung(Hwnd hWnd, bool hung) {
    SimWindow* w = Window(hWnd);
    if (w == nullptr)
        return;
    w->hung = hung;
    if (hung)
        return;
    // What waited for the thread is handled at its next turn, in order.
    for (std::function<void()>& action : std::exchange(held_[hWnd], {}))
        desk_.At(desk_.Now(), std::move(action));
    held_.erase(hWnd);
}

bool SimWindows::WouldHang(Hwnd hWnd, const char* call) {
    const SimWindow* w = Window(hWnd);
    if (w == nullptr || !w->hung || w->threadId == kProgramThreadId)
        return false;
    desk_.AddError(std::string(call) + " on window " + std::to_string(hWnd) +
                   ", whose thread is hung: the program would wait for it");
    return true;
}

void SimWindows::WhenAnswering(Hwnd hWnd, std::function<void()> action) {
    const SimWindow* w = Window(hWnd);
    if (w != nullptr && w->hung)
        held_[hWnd].push_back(std::move(action));
    else
        action();
}

bool SimWindows::SetWindowPos(Hwnd hWnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                              std::uint32_t flags) {
    setWindowPos_.push_back({hWnd, insertAfter, x, y, cx, cy, flags});
    SimWindow* w = Window(hWnd);
    if (w == nullptr)
        return false;
    if ((flags & platform::SWP_ASYNCWINDOWPOS) != 0) {
        WhenAnswering(hWnd, [=, this] {
            if (SimWindow* now = Window(hWnd))
                ApplyWindowPos(*now, insertAfter, x, y, cx, cy, flags);
        });
        return true;
    }
    if (WouldHang(hWnd, "SetWindowPos"))
        return false;
    ApplyWindowPos(*w, insertAfter, x, y, cx, cy, flags);
    return true;
}

void SimWindows::ApplyWindowPos(SimWindow& target, Hwnd insertAfter, int x, int y, int cx, int cy,
                                std::uint32_t flags) {
    SimWindow* w = &target;
    const Hwnd hWnd = w->hWnd;
    if (!(flags & SWP_NOMOVE)) {
        w->x = x;
        w->y = y;
        if (w->form != nullptr)
            w->form->MovedTo(x, y);
    }
    if (!(flags & SWP_NOSIZE)) {
        w->cx = cx;
        w->cy = cy;
    }
    if (!(flags & SWP_NOZORDER) && w->parent == 0) {
        if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
            w->topmost = insertAfter == HWND_TOPMOST;
            BringToTop(hWnd); // the top of its band
        } else if (insertAfter == HWND_TOP) {
            BringToTop(hWnd);
        } else if (insertAfter == HWND_BOTTOM) {
            std::erase(zOrder_, hWnd);
            zOrder_.push_back(hWnd);
        } else if (Window(insertAfter) != nullptr && insertAfter != hWnd) {
            std::erase(zOrder_, hWnd);
            auto at = std::find(zOrder_.begin(), zOrder_.end(), insertAfter);
            zOrder_.insert(at == zOrder_.end() ? at : at + 1, hWnd);
        }
    }
    if (flags & SWP_SHOWWINDOW)
        w->visible = true;
    if (flags & SWP_HIDEWINDOW)
        w->visible = false;
    if (!(flags & SWP_NOACTIVATE) && w->parent == 0 && w->visible)
        Activate(hWnd);
}

void SimWindows::Dispatch(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                          std::intptr_t* result) {
    std::intptr_t r = 0;
    SimWindow* w = Window(hWnd);
    if (w == nullptr) {
    } else if (w->form != nullptr) {
        r = CallWindowProcA(w->wndProc, hWnd, msg, wParam, lParam);
    } else if (w->handler) {
        MessageHandler handler = w->handler; // the handler may remove its window
        desk_.Guard("a window's message handler", [&] { r = handler(msg, wParam, lParam); });
    }
    if (result != nullptr)
        *result = r;
}

std::intptr_t SimWindows::Deliver(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    std::intptr_t r = 0;
    Dispatch(hWnd, msg, wParam, lParam, &r);
    return r;
}

bool SimWindows::PostMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    messages_.push_back({hWnd, msg, wParam, lParam, true});
    if (Window(hWnd) == nullptr)
        return false;
    // Posted messages wait for the receiver's next turn: the next time virtual
    // time moves (a sleep, a clock read, RunFor), or when a hung one answers again.
    WhenAnswering(hWnd, [this, hWnd, msg, wParam, lParam] {
        desk_.At(desk_.Now(), [this, hWnd, msg, wParam, lParam] {
            Dispatch(hWnd, msg, wParam, lParam, nullptr);
        });
    });
    return true;
}

std::intptr_t SimWindows::SendMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    messages_.push_back({hWnd, msg, wParam, lParam, false});
    if (WouldHang(hWnd, "SendMessageA"))
        return 0;
    return Deliver(hWnd, msg, wParam, lParam);
}

bool SimWindows::SendMessageTimeoutA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                     std::intptr_t lParam, std::uint32_t flags,
                                     std::uint32_t timeoutMs, std::intptr_t& result) {
    result = 0;
    const SimWindow* w = Window(hWnd);
    if (w == nullptr || w->hung) {
        messages_.push_back({hWnd, msg, wParam, lParam, false});
        // A hung thread is given up on at once when asked to; otherwise the
        // sender waits out the time-out.
        if (w != nullptr && (flags & platform::SMTO_ABORTIFHUNG) == 0)
            desk_.AdvanceTo(desk_.Now() + timeoutMs);
        return false;
    }
    result = SendMessageA(hWnd, msg, wParam, lParam);
    return true;
}

std::uintptr_t SimWindows::AddressOfWindowProc(WindowProcFn proc) {
    auto it = std::find(procs_.begin(), procs_.end(), proc);
    if (it == procs_.end())
        it = procs_.insert(procs_.end(), proc);
    return 0x7F000000u + 0x10u * static_cast<std::uintptr_t>(it - procs_.begin());
}

std::uintptr_t SimWindows::SetWindowLongA(Hwnd hWnd, int index, std::uintptr_t newLong) {
    SimWindow* w = Window(hWnd);
    if (failSetWindowLong_ || w == nullptr || index != GWL_WNDPROC)
        return 0;
    const std::uintptr_t previous = w->wndProc;
    w->wndProc = newLong;
    return previous;
}

std::intptr_t SimWindows::CallWindowProcA(std::uintptr_t prevProc, Hwnd hWnd, std::uint32_t msg,
                                          std::uintptr_t wParam, std::intptr_t lParam) {
    if (prevProc >= 0x7F000000u && (prevProc - 0x7F000000u) % 0x10u == 0) {
        const std::size_t i = (prevProc - 0x7F000000u) / 0x10u;
        if (i < procs_.size()) {
            std::intptr_t r = 0;
            desk_.Guard("a window procedure", [&] { r = procs_[i](hWnd, msg, wParam, lParam); });
            return r;
        }
    }
    if (prevProc == OriginalProc(hWnd)) {
        // The form's own procedure: what the program passes on.
        if (SimWindow* w = Window(hWnd); w != nullptr && w->form != nullptr)
            return w->form->DefaultProc(msg, wParam, lParam);
    }
    return 0;
}

void SimWindows::SetKeyDown(int vKey, bool down) {
    if (down && !keysDown_[vKey])
        keysPressed_.insert(vKey);
    keysDown_[vKey] = down;
}

void SimWindows::TapKey(int vKey) {
    keysPressed_.insert(vKey);
    keysDown_[vKey] = false;
}

std::int16_t SimWindows::GetAsyncKeyState(int vKey) {
    std::uint16_t state = keysDown_[vKey] ? 0x8000 : 0;
    if (keysPressed_.erase(vKey) != 0)
        state |= 1;
    return static_cast<std::int16_t>(state);
}

void SimWindows::SetScreenSaver(bool active, std::uint32_t timeoutSeconds) {
    ssActive_ = active;
    ssTimeout_ = timeoutSeconds;
}

void SimWindows::FailSystemParameter(std::uint32_t action, bool fail) {
    if (fail)
        failSpi_.insert(action);
    else
        failSpi_.erase(action);
}

bool SimWindows::SystemParametersInfoA(std::uint32_t uiAction, std::uint32_t uiParam, void* pvParam,
                                       std::uint32_t fWinIni) {
    bool ok = failSpi_.count(uiAction) == 0;
    if (ok) {
        switch (uiAction) {
        case SPI_GETWORKAREA:
            ok = pvParam != nullptr;
            if (ok)
                *static_cast<Rect*>(pvParam) = workArea_;
            break;
        case SPI_GETSCREENSAVEACTIVE:
        case SPI_GETSCREENSAVETIMEOUT:
            ok = pvParam != nullptr;
            if (ok)
                *static_cast<std::uint32_t*>(pvParam) =
                    uiAction == SPI_GETSCREENSAVEACTIVE ? (ssActive_ ? 1u : 0u) : ssTimeout_;
            break;
        case SPI_SETSCREENSAVEACTIVE:
            ssActive_ = uiParam != 0;
            break;
        case SPI_SETSCREENSAVETIMEOUT:
            ssTimeout_ = uiParam;
            break;
        default:
            ok = false;
            break;
        }
    }
    spi_.push_back({uiAction, uiParam, pvParam != nullptr, fWinIni, ok});
    return ok;
}

std::optional<std::uint32_t> SimWindows::RegisteredMessage(const std::string& name) const {
    auto it = atoms_.find(Lower(name));
    if (it == atoms_.end())
        return std::nullopt;
    return it->second;
}

std::uint32_t SimWindows::RegisterWindowMessageA(const std::string& name) {
    // Window messages and clipboard formats share one table of names, as on Windows.
    if (name.empty())
        return 0;
    auto [it, added] = atoms_.emplace(Lower(name), 0);
    if (added)
        it->second = 0xC000u + static_cast<std::uint32_t>(atoms_.size() - 1);
    return it->second;
}

} // namespace pocketry::sim
