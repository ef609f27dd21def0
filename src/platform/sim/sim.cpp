// The simulated desktop: clock and events, windows, settings, single
// instance and clipboard.
#include "platform/sim/sim.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "platform/sim/sim_util.h"

namespace pocketry::sim {

using namespace platform;

std::string SystemMessage(std::uint32_t number) {
    switch (number) {
    case 0:
        return "The operation completed successfully.";
    case 2:
        return "The system cannot find the file specified.";
    case 3:
        return "The system cannot find the path specified.";
    case 5:
        return "Access is denied.";
    case 32:
        return "The process cannot access the file because it is being used by another process.";
    case 126:
        return "The specified module could not be found.";
    case 127:
        return "The specified procedure could not be found.";
    case 1400:
        return "Invalid window handle.";
    default:
        return "Unknown error " + std::to_string(number) + ".";
    }
}

Status Failure(std::uint32_t number) {
    return Status::Fail(number, SystemMessage(number));
}

SimDesktop::SimDesktop() : api_{*this, *this, *this, *this, *this, *this, *this, *this, *this} {
    AddDirectory(systemFolder_);
    SetAppFolder("C:\\Program Files\\Pocketry");
    AddFile(appFolder_ + "\\Pocketry.exe");
    SetStartupFolder("C:\\Documents and Settings\\User\\Start Menu\\Programs\\Startup");
    for (const char* ext : {"exe", "com", "bat", "lnk", "txt", "htm", "html", "url"})
        associations_.insert(ext);
}

SimDesktop::~SimDesktop() {
    // Forms still held by the program outlive the desktop only in a faulty
    // test; cut them loose so their destructors do not reach back.
    for (SimForm* f : forms_) {
        f->loaded_ = false;
        f->detached_ = true;
    }
}

void SimDesktop::AddError(std::string text) {
    std::fprintf(stderr, "sim: %s\n", text.c_str());
    errors_.push_back(std::move(text));
}

// ------------------------------------------------------------------ time

void SimDesktop::At(std::uint64_t ms, std::function<void()> fn, const void* owner) {
    events_.emplace(ms, Event{eventSeq_++, owner, std::move(fn)});
}

void SimDesktop::CancelEvents(const void* owner) {
    std::erase_if(events_, [owner](const auto& e) { return e.second.owner == owner; });
}

void SimDesktop::AdvanceTo(std::uint64_t t) {
    // Each event is taken out before it runs, so a nested advance (an event
    // that sleeps) never runs it twice.
    while (!events_.empty() && events_.begin()->first <= t) {
        auto node = events_.extract(events_.begin());
        now_ = std::max(now_, node.key());
        Guard("a scheduled event", node.mapped().fn);
    }
    now_ = std::max(now_, t);
}

bool SimDesktop::Step(std::uint64_t limit) {
    // The earliest due timer of a loaded form; a timer whose handler runs is
    // not due (no re-entry), and one overdue fires once, now.
    SimForm* form = nullptr;
    std::string name;
    std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
    for (SimForm* f : forms_) {
        if (!f->loaded_)
            continue;
        for (const std::string& t : f->timerOrder_) {
            const SimForm::Control& c = f->controls_.at(t);
            if (!c.enabled || c.running || c.spec.interval <= 0)
                continue;
            const std::uint64_t due = std::max(c.nextDue, now_);
            if (due < best) {
                best = due;
                form = f;
                name = t;
            }
        }
    }
    if (!events_.empty() && events_.begin()->first <= std::min(best, limit)) {
        AdvanceTo(events_.begin()->first); // events first at equal times
        return true;
    }
    if (form == nullptr || best > limit)
        return false;
    now_ = best;
    SimForm::Control& c = form->controls_.at(name);
    c.running = true;
    c.nextDue = now_ + static_cast<std::uint64_t>(c.spec.interval);
    const std::uint64_t id = form->id_;
    form->Fire("Timer", [&] { form->events_.Timer(name); });
    if (FormAlive(id))
        form->controls_.at(name).running = false;
    return true;
}

void SimDesktop::RunFor(std::uint64_t ms) {
    const std::uint64_t end = now_ + ms;
    while (Step(end)) {
    }
    now_ = std::max(now_, end);
}

void SimDesktop::RunMessageLoop() {
    const std::uint64_t end = now_ + loopLimit_;
    loopGaveUp_ = false;
    auto anyLoaded = [this] {
        return std::any_of(forms_.begin(), forms_.end(), [](SimForm* f) { return f->loaded_; });
    };
    while (anyLoaded()) {
        if (!Step(end)) {
            // Nothing can happen any more before the limit.
            loopGaveUp_ = true;
            return;
        }
    }
}

void SimDesktop::Sleep(std::uint32_t milliseconds) {
    sleeps_.push_back(milliseconds);
    AdvanceTo(now_ + milliseconds);
}

std::uint64_t SimDesktop::MonotonicMilliseconds() {
    AdvanceTo(now_ + 1);
    return now_;
}

// ------------------------------------------------------------------ windows

Hwnd SimDesktop::AddWindow(NewWindow n) {
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

void SimDesktop::RemoveWindow(Hwnd hWnd) {
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
        w->form->loaded_ = false; // destroyed from outside: no handlers run
    windows_.erase(hWnd);
}

SimWindow* SimDesktop::Window(Hwnd hWnd) {
    auto it = windows_.find(hWnd);
    return it == windows_.end() ? nullptr : &it->second;
}

const SimWindow* SimDesktop::Window(Hwnd hWnd) const {
    auto it = windows_.find(hWnd);
    return it == windows_.end() ? nullptr : &it->second;
}

std::vector<Hwnd> SimDesktop::TopLevelWindows() const {
    std::vector<Hwnd> out;
    for (bool topmost : {true, false})
        for (Hwnd h : zOrder_)
            if (windows_.at(h).topmost == topmost)
                out.push_back(h);
    return out;
}

void SimDesktop::SetWindowHandler(Hwnd hWnd, MessageHandler handler) {
    if (SimWindow* w = Window(hWnd))
        w->handler = std::move(handler);
}

void SimDesktop::BringToTop(Hwnd hWnd) {
    if (std::find(zOrder_.begin(), zOrder_.end(), hWnd) == zOrder_.end())
        return;
    std::erase(zOrder_, hWnd);
    zOrder_.insert(zOrder_.begin(), hWnd);
}

void SimDesktop::Activate(Hwnd hWnd) {
    BringToTop(hWnd);
    foreground_ = active_ = hWnd;
}

void SimDesktop::SetForeground(Hwnd hWnd) {
    if (Window(hWnd) != nullptr)
        Activate(hWnd);
}

namespace {
bool NameMatches(const char* want, const std::string& have) {
    return want == nullptr || EqualNoCase(want, have);
}
} // namespace

Hwnd SimDesktop::FindWindowA(const char* className, const char* windowName) {
    for (Hwnd h : TopLevelWindows()) {
        const SimWindow& w = windows_.at(h);
        if (NameMatches(className, w.className) && NameMatches(windowName, w.title))
            return h;
    }
    return 0;
}

Hwnd SimDesktop::FindWindowExA(Hwnd parent, Hwnd childAfter, const char* className,
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

bool SimDesktop::EnumWindows(WNDENUMPROC proc, std::intptr_t lParam) {
    for (Hwnd h : TopLevelWindows()) {
        if (Window(h) == nullptr)
            continue; // closed by an earlier callback
        bool more = false;
        Guard("an EnumWindows callback", [&] { more = proc(h, lParam); });
        if (!more)
            return false;
    }
    return true;
}

namespace {
int CopyTruncated(const std::string& from, std::string& to, int maxCount) {
    to.clear();
    if (maxCount <= 0)
        return 0;
    to = from.substr(0, std::min(from.size(), static_cast<std::size_t>(maxCount - 1)));
    return static_cast<int>(to.size());
}
} // namespace

int SimDesktop::GetClassNameA(Hwnd hWnd, std::string& text, int maxCount) {
    const SimWindow* w = Window(hWnd);
    if (w == nullptr) {
        text.clear();
        return 0;
    }
    return CopyTruncated(w->className, text, maxCount);
}

int SimDesktop::GetWindowTextA(Hwnd hWnd, std::string& text, int maxCount) {
    const SimWindow* w = Window(hWnd);
    if (w == nullptr) {
        text.clear();
        return 0;
    }
    return CopyTruncated(w->title, text, maxCount);
}

bool SimDesktop::IsWindowVisible(Hwnd hWnd) {
    for (const SimWindow* w = Window(hWnd); w != nullptr; w = Window(w->parent)) {
        if (!w->visible)
            return false;
        if (w->parent == 0)
            return true;
    }
    return false;
}

bool SimDesktop::IsIconic(Hwnd hWnd) {
    const SimWindow* w = Window(hWnd);
    return w != nullptr && w->minimized;
}

std::uint32_t SimDesktop::GetWindowThreadProcessId(Hwnd hWnd) {
    const SimWindow* w = Window(hWnd);
    return w == nullptr ? 0 : w->threadId;
}

bool SimDesktop::AttachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo, bool attach) {
    attach_.push_back({idAttach, idAttachTo, attach});
    return idAttach != 0 && idAttachTo != 0 && idAttach != idAttachTo;
}

bool SimDesktop::SetForegroundWindow(Hwnd hWnd) {
    setForeground_.push_back(hWnd);
    if (failSetForeground_ || Window(hWnd) == nullptr)
        return false;
    Activate(hWnd);
    return true;
}

Hwnd SimDesktop::SetActiveWindow(Hwnd hWnd) {
    setActive_.push_back(hWnd);
    if (Window(hWnd) == nullptr)
        return 0;
    const Hwnd previous = active_;
    active_ = hWnd;
    return previous;
}

void SimDesktop::ApplyShow(SimWindow& w, int cmdShow) {
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
    if (w.form != nullptr && (wasMin != w.minimized || wasMax != w.maximized)) {
        SimForm* f = w.form;
        f->Fire("Form_Resize", [f] { f->events_.Form_Resize(); });
    }
}

bool SimDesktop::ShowWindow(Hwnd hWnd, int cmdShow) {
    showWindow_.push_back({hWnd, cmdShow});
    SimWindow* w = Window(hWnd);
    if (w == nullptr)
        return false;
    const bool wasVisible = w->visible;
    ApplyShow(*w, cmdShow);
    return wasVisible;
}

bool SimDesktop::SetWindowPos(Hwnd hWnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                              std::uint32_t flags) {
    setWindowPos_.push_back({hWnd, insertAfter, x, y, cx, cy, flags});
    SimWindow* w = Window(hWnd);
    if (w == nullptr)
        return false;
    if (!(flags & SWP_NOMOVE)) {
        w->x = x;
        w->y = y;
        if (w->form != nullptr) {
            w->form->left_ = static_cast<int>(x * tppX_);
            w->form->top_ = static_cast<int>(y * tppY_);
        }
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
    return true;
}

std::intptr_t SimDesktop::DefaultProc(Hwnd hWnd, std::uint32_t msg) {
    // What the form's own procedure does with what the program passes on:
    // the close box's message unloads the form, the rest needs nothing.
    const SimWindow* w = Window(hWnd);
    if (msg == WM_CLOSE && w != nullptr && w->form != nullptr)
        w->form->Unload(kUnloadFormControlMenu);
    return 0;
}

void SimDesktop::Dispatch(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                          std::intptr_t* result) {
    std::intptr_t r = 0;
    SimWindow* w = Window(hWnd);
    if (w == nullptr) {
    } else if (w->form != nullptr) {
        r = CallWindowProcA(w->wndProc, hWnd, msg, wParam, lParam);
    } else if (w->handler) {
        MessageHandler handler = w->handler; // the handler may remove its window
        Guard("a window's message handler", [&] { r = handler(msg, wParam, lParam); });
    }
    if (result != nullptr)
        *result = r;
}

std::intptr_t SimDesktop::Deliver(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    std::intptr_t r = 0;
    Dispatch(hWnd, msg, wParam, lParam, &r);
    return r;
}

bool SimDesktop::PostMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    messages_.push_back({hWnd, msg, wParam, lParam, true});
    if (Window(hWnd) == nullptr)
        return false;
    // Posted messages wait for the receiver's next turn: the next time virtual
    // time moves (a sleep, a clock read, RunFor).
    At(now_, [this, hWnd, msg, wParam, lParam] { Dispatch(hWnd, msg, wParam, lParam, nullptr); });
    return true;
}

std::intptr_t SimDesktop::SendMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    messages_.push_back({hWnd, msg, wParam, lParam, false});
    return Deliver(hWnd, msg, wParam, lParam);
}

bool SimDesktop::SendMessageTimeoutA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                     std::intptr_t lParam, std::uint32_t flags,
                                     std::uint32_t timeoutMs, std::intptr_t& result) {
    result = 0;
    const SimWindow* w = Window(hWnd);
    if (w != nullptr && w->hung) {
        messages_.push_back({hWnd, msg, wParam, lParam, false});
        // A hung thread is given up on at once when asked to; otherwise the
        // sender waits out the time-out.
        if ((flags & platform::SMTO_ABORTIFHUNG) == 0)
            AdvanceTo(now_ + timeoutMs);
        return false;
    }
    if (w == nullptr) {
        messages_.push_back({hWnd, msg, wParam, lParam, false});
        return false;
    }
    result = SendMessageA(hWnd, msg, wParam, lParam);
    return true;
}

std::uintptr_t SimDesktop::AddressOfWindowProc(WindowProcFn proc) {
    auto it = std::find(procs_.begin(), procs_.end(), proc);
    if (it == procs_.end())
        it = procs_.insert(procs_.end(), proc);
    return 0x7F000000u + 0x10u * static_cast<std::uintptr_t>(it - procs_.begin());
}

std::uintptr_t SimDesktop::SetWindowLongA(Hwnd hWnd, int index, std::uintptr_t newLong) {
    SimWindow* w = Window(hWnd);
    if (failSetWindowLong_ || w == nullptr || index != GWL_WNDPROC)
        return 0;
    const std::uintptr_t previous = w->wndProc;
    w->wndProc = newLong;
    return previous;
}

std::intptr_t SimDesktop::CallWindowProcA(std::uintptr_t prevProc, Hwnd hWnd, std::uint32_t msg,
                                          std::uintptr_t wParam, std::intptr_t lParam) {
    if (prevProc >= 0x7F000000u && (prevProc - 0x7F000000u) % 0x10u == 0) {
        const std::size_t i = (prevProc - 0x7F000000u) / 0x10u;
        if (i < procs_.size()) {
            std::intptr_t r = 0;
            Guard("a window procedure", [&] { r = procs_[i](hWnd, msg, wParam, lParam); });
            return r;
        }
    }
    if (prevProc == OriginalProc(hWnd))
        return DefaultProc(hWnd, msg);
    return 0;
}

void SimDesktop::SetKeyDown(int vKey, bool down) {
    if (down && !keysDown_[vKey])
        keysPressed_.insert(vKey);
    keysDown_[vKey] = down;
}

void SimDesktop::TapKey(int vKey) {
    keysPressed_.insert(vKey);
    keysDown_[vKey] = false;
}

std::int16_t SimDesktop::GetAsyncKeyState(int vKey) {
    std::uint16_t state = keysDown_[vKey] ? 0x8000 : 0;
    if (keysPressed_.erase(vKey) != 0)
        state |= 1;
    return static_cast<std::int16_t>(state);
}

void SimDesktop::SetScreenSaver(bool active, std::uint32_t timeoutSeconds) {
    ssActive_ = active;
    ssTimeout_ = timeoutSeconds;
}

void SimDesktop::FailSystemParameter(std::uint32_t action, bool fail) {
    if (fail)
        failSpi_.insert(action);
    else
        failSpi_.erase(action);
}

bool SimDesktop::SystemParametersInfoA(std::uint32_t uiAction, std::uint32_t uiParam, void* pvParam,
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

// ------------------------------------------------------------------ settings

namespace {
std::string SettingKey(const std::string& app, const std::string& section, const std::string& key) {
    return Lower(app) + "\\" + Lower(section) + "\\" + Lower(key);
}
bool FailureApplies(const std::optional<std::pair<Status, std::string>>& f,
                    const std::string& key) {
    return f && (f->second.empty() || EqualNoCase(f->second, key));
}
} // namespace

void SimDesktop::SetSetting(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& value) {
    settings_[SettingKey(app, section, key)] = value;
}

std::optional<std::string> SimDesktop::Setting(const std::string& app, const std::string& section,
                                               const std::string& key) const {
    auto it = settings_.find(SettingKey(app, section, key));
    if (it == settings_.end())
        return std::nullopt;
    return it->second;
}

void SimDesktop::FailSettingReads(Status status, const std::string& key) {
    failRead_.reset();
    if (!status.ok())
        failRead_.emplace(std::move(status), key);
}

void SimDesktop::FailSettingWrites(Status status, const std::string& key) {
    failWrite_.reset();
    if (!status.ok())
        failWrite_.emplace(std::move(status), key);
}

Status SimDesktop::GetSetting(const std::string& appName, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::string& value) {
    Status status;
    value = defaultValue;
    if (FailureApplies(failRead_, key))
        status = failRead_->first;
    else if (auto v = Setting(appName, section, key))
        value = *v;
    settingsLog_.push_back({false, appName, section, key, value, status});
    return status;
}

Status SimDesktop::SaveSetting(const std::string& appName, const std::string& section,
                               const std::string& key, const std::string& value) {
    Status status;
    if (FailureApplies(failWrite_, key))
        status = failWrite_->first;
    else
        SetSetting(appName, section, key, value);
    settingsLog_.push_back({true, appName, section, key, value, status});
    return status;
}

bool SimDesktop::AnotherInstanceRunning(const std::string& name) {
    return !claimed_.insert(name).second;
}

// ------------------------------------------------------------------ clipboard

void SimDesktop::FailFormatQuery(std::uint32_t format, bool fail) {
    if (fail)
        failFormats_.insert(format);
    else
        failFormats_.erase(format);
}

Status SimDesktop::EmptyClipboard() {
    ++emptyCalls_;
    if (!failEmptyClipboard_.ok())
        return failEmptyClipboard_;
    clipFormats_.clear();
    return Status::Ok();
}

bool SimDesktop::IsClipboardFormatAvailable(std::uint32_t format) {
    return failFormats_.count(format) == 0 && clipFormats_.count(format) != 0;
}

std::uint32_t SimDesktop::RegisterClipboardFormatA(const std::string& name) {
    // Formats and window messages share one table of names, as on Windows.
    if (name.empty())
        return 0;
    auto [it, added] = atoms_.emplace(Lower(name), 0);
    if (added)
        it->second = 0xC000u + static_cast<std::uint32_t>(atoms_.size() - 1);
    return it->second;
}

std::uint32_t SimDesktop::RegisterWindowMessageA(const std::string& name) {
    return RegisterClipboardFormatA(name);
}

} // namespace pocketry::sim
