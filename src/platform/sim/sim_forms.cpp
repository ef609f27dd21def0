// The simulated user interface: forms held as their tables plus state,
// message boxes, modal shows and pop-up menus answered by scripts.
#include <algorithm>

#include "platform/sim/sim.h"
#include "platform/sim/sim_util.h"

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
    : desk_(desk), spec_(spec), events_(events), id_(desk.nextFormId_++) {
    hWnd_ = desk.AddWindow({.className = "PocketryForm",
                            .title = spec.caption,
                            .threadId = kProgramThreadId,
                            .processId = kProgramProcessId,
                            .visible = false});
    SimWindow& w = *desk.Window(hWnd_);
    w.form = this;
    w.wndProc = SimDesktop::OriginalProc(hWnd_);
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
            ctl.nextDue = desk.now_ + static_cast<std::uint64_t>(std::max(c.interval, 0));
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
    desk.RegisterForm(this);
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
    loaded_ = false;
    desk_.RemoveWindow(hWnd_);
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

// ------------------------------------------------------------------ window

void SimForm::Show() {
    SimWindow* w = desk_.Window(hWnd_);
    if (!loaded_ || w == nullptr)
        return;
    w->visible = true;
    if (!w->minimized)
        desk_.Activate(hWnd_);
}

void SimForm::ShowModal() {
    if (!loaded_)
        return;
    // The other forms are disabled while this one is up.
    std::vector<Hwnd> disabled;
    for (SimForm* f : desk_.forms_) {
        SimWindow* w = desk_.Window(f->hWnd_);
        if (f != this && f->loaded_ && w != nullptr && w->enabled) {
            w->enabled = false;
            disabled.push_back(f->hWnd_);
        }
    }
    modal_ = true;
    Show();
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    if (auto responder = desk.modalResponder_)
        desk.Guard(spec_.name + " modal responder", [&] { responder(*this); });
    if (desk.FormAlive(id) && loaded_)
        CloseBox();
    if (desk.FormAlive(id)) {
        if (loaded_) {
            // A real modal loop would wait on; a test cannot.
            desk.AddError(spec_.name + ": the modal form would not close; destroyed");
            Destroy();
        }
        modal_ = false;
    }
    for (Hwnd h : disabled)
        if (SimWindow* w = desk.Window(h))
            w->enabled = true;
}

void SimForm::Hide() {
    SimWindow* w = desk_.Window(hWnd_);
    if (w == nullptr)
        return;
    w->visible = false;
    if (desk_.foreground_ == hWnd_)
        desk_.foreground_ = 0;
}

bool SimForm::Visible() const {
    const SimWindow* w = desk_.Window(hWnd_);
    return w != nullptr && w->visible;
}

int SimForm::WindowState() const {
    const SimWindow* w = desk_.Window(hWnd_);
    if (w == nullptr)
        return kStateNormal;
    return w->minimized ? kStateMinimized : w->maximized ? kStateMaximized : kStateNormal;
}

void SimForm::SetWindowState(int state) {
    SimWindow* w = desk_.Window(hWnd_);
    if (w == nullptr || state == WindowState())
        return;
    w->minimized = state == kStateMinimized;
    w->maximized = state == kStateMaximized;
    if (w->minimized && desk_.foreground_ == hWnd_)
        desk_.foreground_ = 0;
    Fire("Form_Resize", [this] { events_.Form_Resize(); });
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

// ------------------------------------------------------------------ the user

bool SimForm::Usable(const Control& c) const {
    const SimWindow* w = desk_.Window(hWnd_);
    if (!loaded_ || w == nullptr || !w->visible || !w->enabled)
        return false;
    const Control* at = &c;
    for (int depth = 0; at != nullptr && depth < 32; ++depth) {
        if (!at->visible || !at->enabled)
            return false;
        if (at->spec.container.empty())
            return true;
        auto it = controls_.find(at->spec.container);
        at = it == controls_.end() ? nullptr : &it->second;
    }
    return false;
}

bool SimForm::Click(const std::string& control) {
    Control* c = Find(control, "Click");
    if (c == nullptr || !Usable(*c))
        return false;
    switch (c->spec.kind) {
    case ControlKind::Timer:
    case ControlKind::Line:
    case ControlKind::Image:
    case ControlKind::ComboList:
        return false; // lists change through SetListIndex
    case ControlKind::CheckBox:
    case ControlKind::TabButton:
        SetValue(control, c->value == 0 ? 1 : 0);
        return true;
    default:
        Fire("Click", [&] { events_.Click(control); });
        return true;
    }
}

void SimForm::PressKey(int keyCode, int shift) {
    if (!loaded_)
        return;
    if (spec_.keyPreview)
        Fire("Form_KeyDown", [&] { events_.Form_KeyDown(keyCode, shift); });
    if (keyCode != VK_RETURN && keyCode != VK_ESCAPE)
        return;
    for (const ControlSpec& spec : spec_.controls)
        if (keyCode == VK_RETURN ? spec.isDefault : spec.isCancel) {
            Click(spec.name);
            return;
        }
}

void SimForm::MouseMove(const std::string& control, int button, int shift, int x, int y) {
    if (!control.empty() && Find(control, "MouseMove") == nullptr)
        return;
    Fire("MouseMove", [&] { events_.MouseMove(control, button, shift, x, y); });
}

void SimForm::MouseUp(const std::string& control, int button, int shift, int x, int y) {
    if (!control.empty() && Find(control, "MouseUp") == nullptr)
        return;
    Fire("MouseUp", [&] { events_.MouseUp(control, button, shift, x, y); });
}

// ------------------------------------------------------------------ controls

SimForm::Control* SimForm::Find(const std::string& control, const char* use) {
    auto it = controls_.find(control);
    if (it != controls_.end())
        return &it->second;
    desk_.AddError(spec_.name + " has no control " + control + " (" + use + ")");
    return nullptr;
}

const SimForm::Control* SimForm::Find(const std::string& control, const char* use) const {
    return const_cast<SimForm*>(this)->Find(control, use);
}

SimForm::Menu* SimForm::FindMenu(const std::string& item, const char* use) {
    auto it = menus_.find(item);
    if (it != menus_.end())
        return &it->second;
    desk_.AddError(spec_.name + " has no menu item " + item + " (" + use + ")");
    return nullptr;
}

const SimForm::Menu* SimForm::FindMenu(const std::string& item, const char* use) const {
    return const_cast<SimForm*>(this)->FindMenu(item, use);
}

std::string SimForm::Text(const std::string& control) const {
    const Control* c = Find(control, "Text");
    if (c == nullptr)
        return {};
    if (c->spec.kind == ControlKind::ComboList && c->listIndex >= 0)
        return c->items[static_cast<std::size_t>(c->listIndex)];
    return c->text;
}

void SimForm::SetText(const std::string& control, const std::string& text) {
    if (Control* c = Find(control, "SetText"))
        c->text = text;
}

bool SimForm::Enabled(const std::string& control) const {
    const Control* c = Find(control, "Enabled");
    return c != nullptr && c->enabled;
}

void SimForm::SetEnabled(const std::string& control, bool enabled) {
    if (Control* c = Find(control, "SetEnabled"))
        c->enabled = enabled;
}

bool SimForm::ControlVisible(const std::string& control) const {
    const Control* c = Find(control, "ControlVisible");
    return c != nullptr && c->visible;
}

void SimForm::SetControlVisible(const std::string& control, bool visible) {
    if (Control* c = Find(control, "SetControlVisible"))
        c->visible = visible;
}

int SimForm::Value(const std::string& control) const {
    const Control* c = Find(control, "Value");
    return c == nullptr ? 0 : c->value;
}

void SimForm::SetValue(const std::string& control, int value) {
    Control* c = Find(control, "SetValue");
    if (c == nullptr || c->value == value)
        return;
    c->value = value;
    // A check box tells its Click handler of every change, also one by code.
    if (c->spec.kind == ControlKind::CheckBox || c->spec.kind == ControlKind::TabButton)
        Fire("Click", [&] { events_.Click(control); });
}

bool SimForm::FontBold(const std::string& control) const {
    const Control* c = Find(control, "FontBold");
    return c != nullptr && c->bold;
}

void SimForm::SetFontBold(const std::string& control, bool bold) {
    if (Control* c = Find(control, "SetFontBold"))
        c->bold = bold;
}

bool SimForm::FontUnderline(const std::string& control) const {
    const Control* c = Find(control, "FontUnderline");
    return c != nullptr && c->underline;
}

void SimForm::SetFontUnderline(const std::string& control, bool underline) {
    if (Control* c = Find(control, "SetFontUnderline"))
        c->underline = underline;
}

std::uint32_t SimForm::ForeColor(const std::string& control) const {
    const Control* c = Find(control, "ForeColor");
    return c == nullptr ? kDefaultForeColor : c->foreColor;
}

void SimForm::SetForeColor(const std::string& control, std::uint32_t color) {
    if (Control* c = Find(control, "SetForeColor"))
        c->foreColor = color;
}

void SimForm::MoveControl(const std::string& control, int left, int top, int width, int height) {
    if (Control* c = Find(control, "MoveControl")) {
        c->left = left;
        c->top = top;
        c->width = width;
        c->height = height;
    }
}

int SimForm::ControlLeft(const std::string& control) const {
    const Control* c = Find(control, "ControlLeft");
    return c == nullptr ? 0 : c->left;
}

int SimForm::ControlTop(const std::string& control) const {
    const Control* c = Find(control, "ControlTop");
    return c == nullptr ? 0 : c->top;
}

int SimForm::ControlWidth(const std::string& control) const {
    const Control* c = Find(control, "ControlWidth");
    return c == nullptr ? 0 : c->width;
}

int SimForm::ControlHeight(const std::string& control) const {
    const Control* c = Find(control, "ControlHeight");
    return c == nullptr ? 0 : c->height;
}

void SimForm::AddItem(const std::string& control, const std::string& item) {
    if (Control* c = Find(control, "AddItem"))
        c->items.push_back(item);
}

int SimForm::ListCount(const std::string& control) const {
    const Control* c = Find(control, "ListCount");
    return c == nullptr ? 0 : static_cast<int>(c->items.size());
}

std::string SimForm::ListItem(const std::string& control, int index) const {
    const Control* c = Find(control, "ListItem");
    if (c == nullptr)
        return {};
    if (index < 0 || index >= static_cast<int>(c->items.size())) {
        desk_.AddError(spec_.name + "." + control + ": no list item " + std::to_string(index));
        return {};
    }
    return c->items[static_cast<std::size_t>(index)];
}

int SimForm::ListIndex(const std::string& control) const {
    const Control* c = Find(control, "ListIndex");
    return c == nullptr ? -1 : c->listIndex;
}

void SimForm::SetListIndex(const std::string& control, int index) {
    Control* c = Find(control, "SetListIndex");
    if (c == nullptr)
        return;
    if (index < -1 || index >= static_cast<int>(c->items.size())) {
        desk_.AddError(spec_.name + "." + control + ": no list item " + std::to_string(index));
        return;
    }
    if (c->listIndex == index)
        return;
    c->listIndex = index;
    Fire("Click", [&] { events_.Click(control); }); // as a list does, also for code
}

bool SimForm::TimerEnabled(const std::string& timer) const {
    const Control* c = Find(timer, "TimerEnabled");
    return c != nullptr && c->enabled;
}

void SimForm::SetTimerEnabled(const std::string& timer, bool enabled) {
    Control* c = Find(timer, "SetTimerEnabled");
    if (c == nullptr || c->enabled == enabled)
        return;
    c->enabled = enabled;
    if (enabled)
        c->nextDue = desk_.now_ + static_cast<std::uint64_t>(std::max(c->spec.interval, 0));
}

int SimForm::TimerInterval(const std::string& timer) const {
    const Control* c = Find(timer, "TimerInterval");
    return c == nullptr ? 0 : c->spec.interval;
}

std::uint32_t SimForm::Picture(const std::string& image) const {
    const Control* c = Find(image, "Picture");
    return c == nullptr ? 0 : c->picture;
}

// ------------------------------------------------------------------ menus

std::string SimForm::MenuCaption(const std::string& item) const {
    const Menu* m = FindMenu(item, "MenuCaption");
    return m == nullptr ? std::string() : m->spec.caption;
}

void SimForm::SetMenuCaption(const std::string& item, const std::string& caption) {
    if (Menu* m = FindMenu(item, "SetMenuCaption"))
        m->spec.caption = caption;
}

bool SimForm::MenuEnabled(const std::string& item) const {
    const Menu* m = FindMenu(item, "MenuEnabled");
    return m != nullptr && m->enabled;
}

void SimForm::SetMenuEnabled(const std::string& item, bool enabled) {
    if (Menu* m = FindMenu(item, "SetMenuEnabled"))
        m->enabled = enabled;
}

void SimForm::PopupMenu(const std::string& parent, std::uint32_t flags,
                        const std::string& defaultItem) {
    if (FindMenu(parent, "PopupMenu") == nullptr)
        return;
    SimDesktop& desk = desk_;
    const std::uint64_t id = id_;
    Fire("MenuClick", [&] { events_.MenuClick(parent); });
    if (!desk.FormAlive(id))
        return;
    PopupRecord rec{spec_.name, parent, flags, defaultItem, {}, {}};
    for (const MenuSpec& spec : spec_.menus) {
        if (spec.parent != parent)
            continue;
        const Menu& m = menus_.at(spec.name);
        rec.items.push_back({spec.name, m.spec.caption, m.enabled, m.spec.caption == "-",
                             spec.name == defaultItem});
    }
    std::string choice;
    if (!desk.menuChoices_.empty()) {
        choice = desk.menuChoices_.front();
        desk.menuChoices_.erase(desk.menuChoices_.begin());
    } else if (auto responder = desk.popupResponder_) {
        desk.Guard("the pop-up menu responder", [&] { choice = responder(rec); });
    }
    // Only an enabled item that is not a separator can be chosen.
    for (const MenuItemRecord& item : rec.items)
        if (item.name == choice && item.enabled && !item.separator)
            rec.chosen = choice;
    desk.popups_.push_back(rec);
    if (!rec.chosen.empty() && desk.FormAlive(id))
        Fire("MenuClick", [&] { events_.MenuClick(rec.chosen); });
}

// ------------------------------------------------------------------ the service

std::unique_ptr<Form> SimDesktop::CreateForm(const FormSpec& spec, FormEvents& events) {
    return std::make_unique<SimForm>(*this, spec, events);
}

void SimDesktop::UnregisterForm(SimForm* f) {
    std::erase(forms_, f);
}

bool SimDesktop::FormAlive(std::uint64_t id) const {
    return std::any_of(forms_.begin(), forms_.end(), [id](SimForm* f) { return f->id_ == id; });
}

SimForm* SimDesktop::FindForm(const std::string& name) const {
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
        if ((*it)->loaded_ && (*it)->Name() == name)
            return *it;
    return nullptr;
}

HIcon SimDesktop::NewPicture(int resource) {
    const HIcon h = 0x000A0000u + 4u * static_cast<HIcon>(pictures_.size() + 1);
    pictures_[h] = resource;
    return h;
}

int SimDesktop::IconResource(HIcon picture) const {
    auto it = pictures_.find(picture);
    return it == pictures_.end() ? 0 : it->second;
}

void SimDesktop::SetTwipsPerPixel(double x, double y) {
    tppX_ = x;
    tppY_ = y;
}

void SimDesktop::SetScreenPixels(int width, int height) {
    screenW_ = width;
    screenH_ = height;
}

void SimDesktop::SetMousePointer(int pointer) {
    pointer_ = pointer;
    pointerLog_.push_back(pointer);
}

void SimDesktop::AnswerNextMsgBox(int button) {
    msgBoxQueue_.push_back([button](const MsgBoxRecord&) { return button; });
}

void SimDesktop::AnswerNextMsgBox(std::function<int(const MsgBoxRecord&)> action) {
    msgBoxQueue_.push_back(std::move(action));
}

void SimDesktop::SetMsgBoxResponder(std::function<int(const MsgBoxRecord&)> responder) {
    msgBoxResponder_ = std::move(responder);
}

void SimDesktop::SetModalResponder(std::function<void(SimForm&)> responder) {
    modalResponder_ = std::move(responder);
}

void SimDesktop::ChooseMenuItem(const std::string& item) {
    menuChoices_.push_back(item);
}

void SimDesktop::SetPopupResponder(std::function<std::string(const PopupRecord&)> responder) {
    popupResponder_ = std::move(responder);
}

namespace {
// The buttons of a message box type, left to right.
std::vector<int> Buttons(std::uint32_t style) {
    switch (style & 0xF) {
    case 1:
        return {IDOK, 2}; // OK, Cancel
    case 2:
        return {3, 4, 5}; // Abort, Retry, Ignore
    case 3:
        return {IDYES, IDNO, 2};
    case 4:
        return {IDYES, IDNO};
    case 5:
        return {4, 2}; // Retry, Cancel
    case 6:
        return {2, 10, 11}; // Cancel, Try Again, Continue
    default:
        return {IDOK};
    }
}
} // namespace

int SimDesktop::DefaultButton(std::uint32_t style) {
    const std::vector<int> buttons = Buttons(style);
    const std::size_t which = (style >> 8) & 0xF; // MB_DEFBUTTON1..4
    return buttons[which < buttons.size() ? which : 0];
}

int SimDesktop::MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) {
    const MsgBoxRecord rec{prompt, style, title, now_, 0};
    const std::size_t index = msgBoxes_.size();
    msgBoxes_.push_back(rec);
    std::function<int(const MsgBoxRecord&)> action = msgBoxResponder_;
    if (!msgBoxQueue_.empty()) {
        action = std::move(msgBoxQueue_.front());
        msgBoxQueue_.erase(msgBoxQueue_.begin());
    }
    int answer = 0;
    ++openMsgBoxes_;
    if (action)
        Guard("a message box answer", [&] { answer = action(rec); });
    --openMsgBoxes_;
    const std::vector<int> buttons = Buttons(style);
    if (answer != 0 && std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) {
        AddError("message box \"" + prompt + "\" has no button " + std::to_string(answer));
        answer = 0;
    }
    if (answer == 0)
        answer = DefaultButton(style);
    msgBoxes_[index].answer = answer;
    return answer;
}

} // namespace pocketry::sim
