// The simulated form's controls and menus: what the program reads and sets.
#include <algorithm>

#include "platform/sim/sim.h"

namespace pocketry::sim {

using namespace platform;

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

std::vector<std::string> SimForm::ShownTexts() const {
    std::vector<std::string> texts;
    for (const ControlSpec& c : spec_.controls)
        if (c.kind != ControlKind::Line && c.kind != ControlKind::Timer &&
            c.kind != ControlKind::Image)
            texts.push_back(Text(c.name));
    return texts;
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
    Control* c = Find(control, "SetControlVisible");
    if (c == nullptr)
        return;
    const bool hadFocus = !visible && !FocusedControl().empty();
    c->visible = visible;
    // The Windows form moves the focus once the handler that hid it is done.
    if (hadFocus && FocusedControl().empty()) {
        focusHidden_ = true;
        if (fireDepth_ == 0)
            KeepFocusVisible();
    }
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
        c->nextDue = desk_.Now() + static_cast<std::uint64_t>(std::max(c->spec.interval, 0));
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
    const std::string choice = desk.ChoosePopup(rec);
    // Only an enabled item that is not a separator can be chosen.
    for (const MenuItemRecord& item : rec.items)
        if (item.name == choice && item.enabled && !item.separator)
            rec.chosen = choice;
    const std::string chosen = rec.chosen;
    desk.RecordPopup(std::move(rec));
    if (!chosen.empty() && desk.FormAlive(id))
        Fire("MenuClick", [&] { events_.MenuClick(chosen); });
}

} // namespace pocketry::sim
