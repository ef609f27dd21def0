// The simulated form: its life, its window, the end of a session, and what a
// user does to it (clicks, keys, focus).
#include <algorithm>

#include "platform/sim/sim.h"

namespace pocketry::sim {

using namespace platform;

namespace {

// Frame of a fixed-border window around its client area, in pixels.
constexpr int kBorderPixels = 3, kCaptionPixels = 19;

std::uint32_t SysColorValue(int index) {
    switch (index) {
    case COLOR_BTNSHADOW:
        return 0x00808080;
    case COLOR_BTNHIGHLIGHT:
        return 0x00FFFFFF;
    case COLOR_BTNTEXT:
        return 0x00000000;
    case 15:
        return 0x00C0C0C0; // COLOR_BTNFACE
    case 17:
        return 0x00808080; // COLOR_GRAYTEXT
    default:
        return kDefaultForeColor;
    }
}

} // namespace

// ------------------------------------------------------------------ life

SimForm::SimForm(SimDesktop& desk, const FormSpec& spec, FormEvents& events)
    : desk_(desk), spec_(spec), events_(events), id_(0), tppX_(desk.TwipsPerPixelX()),
      tppY_(desk.TwipsPerPixelY()) {
    hWnd_ = desk.AddWindow({.className = "PocketryForm",
                            .title = spec.caption,
                            .threadId = kProgramThreadId,
                            .processId = kProgramProcessId,
                            .visible = false});
    SimWindow& w = *desk.Window(hWnd_);
    w.form = this;
    w.wndProc = SimWindows::OriginalProc(hWnd_);
    if (spec.centerOnScreen) {
        left_ = static_cast<int>((desk.ScreenWidth() - Width()) / 2);
        top_ = static_cast<int>((desk.ScreenHeight() - Height()) / 2);
    }
    for (const ControlSpec& c : spec.controls) {
        Control ctl;
        ctl.spec = c;
        ctl.text = c.caption;
        ctl.enabled = c.enabled;
        ctl.visible = c.visible;
        ctl.bold = c.bold;
        ctl.foreColor = c.sysColor >= 0 ? SysColorValue(c.sysColor) : kDefaultForeColor;
        ctl.left = c.left, ctl.top = c.top, ctl.width = c.width, ctl.height = c.height;
        if (c.kind == ControlKind::Timer) {
            ctl.nextDue = desk.Now() + static_cast<std::uint64_t>(std::max(c.interval, 0));
            timerOrder_.push_back(c.name);
        }
        if (c.kind == ControlKind::Image)
            ctl.picture = desk.NewPicture(c.iconResource);
        if (!controls_.emplace(c.name, std::move(ctl)).second)
            desk.AddError(spec.name + ": two controls named " + c.name);
    }
    for (const MenuSpec& m : spec.menus)
        if (!menus_.emplace(m.name, Menu{m, true}).second)
            desk.AddError(spec.name + ": two menu items named " + m.name);
    id_ = desk.RegisterForm(this);
}

SimForm::~SimForm() {
    if (detached_)
        return;
    if (loaded_)
        Destroy();
    desk_.UnregisterForm(this);
}

void SimForm::Destroy() {
    if (!loaded_)
        return;
    ReleaseOwner();
    loaded_ = false;
    desk_.RemoveWindow(hWnd_);
}

void SimForm::ReleaseOwner() {
    // Before this window goes or hides, so that activation can return to it.
    if (ownerDisabled_)
        if (SimWindow* w = desk_.Window(owner_))
            w->enabled = true;
    ownerDisabled_ = false;
}

void SimForm::Unload(int unloadMode) {
    if (!loaded_ || unloading_)
        return;
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    unloading_ = true;
    int cancel = 0;
    Fire("Form_QueryUnload", [&] { events_.Form_QueryUnload(cancel, unloadMode); });
    if (!desk.FormAlive(id))
        return;
    if (cancel == 0 && loaded_)
        Fire("Form_Unload", [&] { events_.Form_Unload(cancel); });
    if (!desk.FormAlive(id))
        return;
    unloading_ = false;
    if (cancel == 0)
        Destroy();
}

bool SimForm::QueryEndSession() {
    if (!loaded_ || unloading_)
        return !loaded_;
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    unloading_ = true;
    int cancel = 0;
    Fire("Form_QueryUnload", [&] { events_.Form_QueryUnload(cancel, kUnloadAppWindows); });
    if (!desk.FormAlive(id))
        return true;
    unloading_ = false;
    sessionQueried_ = loaded_ && cancel == 0;
    return !loaded_ || cancel == 0;
}

void SimForm::EndSession(bool ending) {
    const bool queried = sessionQueried_;
    sessionQueried_ = false;
    if (!loaded_ || unloading_)
        return;
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    if (!ending) {
        if (queried)
            Fire("Form_EndSessionCancelled", [&] { events_.Form_EndSessionCancelled(); });
        return;
    }
    // The session ends whatever the handler says: no second question.
    unloading_ = true;
    int cancel = 0;
    Fire("Form_Unload", [&] { events_.Form_Unload(cancel); });
    if (!desk.FormAlive(id))
        return;
    unloading_ = false;
    Destroy();
}

std::intptr_t SimForm::DefaultProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t) {
    // What the form's own procedure does with what the program passes on.
    switch (msg) {
    case WM_CLOSE:
        Unload(kUnloadFormControlMenu);
        return 0;
    case WM_QUERYENDSESSION:
        return QueryEndSession() ? 1 : 0;
    case WM_ENDSESSION:
        EndSession(wParam != 0);
        return 0;
    default:
        return 0;
    }
}

// ------------------------------------------------------------------ window

void SimForm::Show() {
    SimWindow* w = desk_.Window(hWnd_);
    if (!loaded_ || w == nullptr)
        return;
    const bool wasMin = w->minimized, wasMax = w->maximized;
    if (pendingState_) {
        // The state set while hidden takes effect now, as the Windows form
        // shows itself minimised without activation, or maximised.
        w->minimized = *pendingState_ == kStateMinimized;
        w->maximized = *pendingState_ == kStateMaximized;
        pendingState_.reset();
    }
    w->visible = true;
    shownSeq_ = desk_.NextShowSeq();
    if (!w->minimized) {
        desk_.Activate(hWnd_);
        if (FocusedControl().empty())
            focus_ = FirstTabStop();
    }
    // The first show brings the window its size, and a state change its own.
    const bool first = TakeFirstShow(), changed = wasMin != w->minimized || wasMax != w->maximized;
    const std::uint64_t id = id_;
    if (first)
        StateChanged();
    if (changed && desk_.FormAlive(id) && loaded_)
        StateChanged();
}

void SimForm::ShowModal() {
    if (!loaded_)
        return;
    // Owned by the active form, which is disabled while this one is up.
    SimForm* owner = desk_.ActiveForm();
    owner_ = owner != nullptr && owner != this ? owner->hWnd() : 0;
    if (SimWindow* w = desk_.Window(owner_); w != nullptr && w->enabled) {
        w->enabled = false;
        ownerDisabled_ = true;
    }
    modal_ = true;
    Show();
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    desk.RunModalResponder(*this);
    // Hiding the form ends its modal show as well.
    if (desk.FormAlive(id) && loaded_ && Visible())
        CloseBox();
    if (!desk.FormAlive(id))
        return;
    if (loaded_ && Visible()) {
        // A real modal loop would wait on; a test cannot.
        desk.AddError(spec_.name + ": the modal form would not close; destroyed");
        Destroy();
    }
    ReleaseOwner();
    modal_ = false;
}

void SimForm::Hide() {
    SimWindow* w = desk_.Window(hWnd_);
    if (w == nullptr)
        return;
    ReleaseOwner();
    w->visible = false;
    desk_.Deactivate(hWnd_);
}

bool SimForm::Visible() const {
    const SimWindow* w = desk_.Window(hWnd_);
    return w != nullptr && w->visible;
}

int SimForm::WindowState() const {
    const SimWindow* w = desk_.Window(hWnd_);
    if (w == nullptr)
        return pendingState_.value_or(kStateNormal);
    if (pendingState_ && !w->visible)
        return *pendingState_;
    return w->minimized ? kStateMinimized : w->maximized ? kStateMaximized : kStateNormal;
}

void SimForm::SetWindowState(int state) {
    SimWindow* w = desk_.Window(hWnd_);
    if (w == nullptr ||
        (state != kStateNormal && state != kStateMinimized && state != kStateMaximized))
        return;
    // A hidden window keeps the state for its next show rather than showing
    // itself now (minimising would put it on the screen).
    if (!w->visible) {
        pendingState_ = state;
        return;
    }
    pendingState_.reset();
    if (state == WindowState())
        return;
    w->minimized = state == kStateMinimized;
    w->maximized = state == kStateMaximized;
    if (w->minimized)
        desk_.Deactivate(hWnd_);
    StateChanged();
}

void SimForm::StateChanged() {
    Fire("Form_Resize", [this] { events_.Form_Resize(); });
}

void SimForm::MoveToDpi(int dpi) {
    tppX_ = tppY_ = 1440.0 / dpi;
    Fire("Form_DpiChanged", [this] { events_.Form_DpiChanged(); });
}

void SimForm::MovedTo(int xPixels, int yPixels) {
    left_ = static_cast<int>(xPixels * desk_.TwipsPerPixelX());
    top_ = static_cast<int>(yPixels * desk_.TwipsPerPixelY());
}

std::string SimForm::Caption() const {
    const SimWindow* w = desk_.Window(hWnd_);
    return w == nullptr ? spec_.caption : w->title;
}

void SimForm::SetCaption(const std::string& text) {
    spec_.caption = text;
    if (SimWindow* w = desk_.Window(hWnd_))
        w->title = text;
}

int SimForm::Width() const {
    return spec_.clientWidth + static_cast<int>(2 * kBorderPixels * desk_.TwipsPerPixelX());
}

int SimForm::Height() const {
    return spec_.clientHeight +
           static_cast<int>((2 * kBorderPixels + kCaptionPixels) * desk_.TwipsPerPixelY());
}

void SimForm::Move(int left, int top) {
    left_ = left;
    top_ = top;
}

// ------------------------------------------------------------------ timers

std::optional<std::pair<std::uint64_t, std::string>> SimForm::DueTimer(std::uint64_t now) const {
    std::optional<std::pair<std::uint64_t, std::string>> best;
    if (!loaded_)
        return best;
    for (const std::string& t : timerOrder_) {
        const Control& c = controls_.at(t);
        if (!c.enabled || c.running || c.spec.interval <= 0)
            continue;
        const std::uint64_t due = std::max(c.nextDue, now);
        if (!best || due < best->first)
            best.emplace(due, t);
    }
    return best;
}

void SimForm::RunTimer(const std::string& timer, std::uint64_t now) {
    Control& c = controls_.at(timer);
    c.running = true;
    c.nextDue = now + static_cast<std::uint64_t>(c.spec.interval);
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    Fire("Timer", [&] { events_.Timer(timer); });
    if (desk.FormAlive(id))
        controls_.at(timer).running = false;
}

} // namespace pocketry::sim
