// What a user does to a simulated form: clicks, keys, mnemonics, and the
// focus that Tab moves, as the Windows form handles them.
#include <algorithm>
#include <cctype>

#include "platform/sim/sim.h"

namespace pocketry::sim {

using namespace platform;

namespace {

bool TakesFocus(ControlKind kind) {
    switch (kind) {
    case ControlKind::CommandButton:
    case ControlKind::CheckBox:
    case ControlKind::TabButton:
    case ControlKind::TextBox:
    case ControlKind::ComboList:
        return true;
    default:
        return false;
    }
}

bool IsContainer(ControlKind kind) {
    return kind == ControlKind::Frame || kind == ControlKind::FrameBorderless;
}

// The letter a caption marks with "&" ("&&" is a plain "&"), or 0.
char Mnemonic(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] != '&')
            return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
        ++i;
    }
    return 0;
}

} // namespace

// ------------------------------------------------------------------ focus

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

bool SimForm::IsTabStop(const Control& c) const {
    return TakesFocus(c.spec.kind) && c.spec.tabIndex >= 0 && Usable(c);
}

std::vector<std::string> SimForm::TabOrder() const {
    // The window order of the Windows form: in each container the controls
    // with a tab index by that index, then the others, labels last; a frame's
    // own controls follow the frame, as the dialog manager walks into it.
    std::vector<std::string> order;
    const auto rank = [](const ControlSpec& c) {
        if (c.tabIndex >= 0)
            return 0;
        return c.kind == ControlKind::Label ? 2 : 1;
    };
    const auto walk = [&](const auto& self, const std::string& container, int depth) -> void {
        std::vector<const ControlSpec*> children;
        for (const ControlSpec& c : spec_.controls)
            if (c.container == container)
                children.push_back(&c);
        std::stable_sort(children.begin(), children.end(),
                         [&](const ControlSpec* a, const ControlSpec* b) {
                             if (rank(*a) != rank(*b))
                                 return rank(*a) < rank(*b);
                             return rank(*a) == 0 && a->tabIndex < b->tabIndex;
                         });
        for (const ControlSpec* c : children) {
            order.push_back(c->name);
            if (IsContainer(c->kind) && depth < 32)
                self(self, c->name, depth + 1);
        }
    };
    walk(walk, "", 0);
    return order;
}

std::string SimForm::NextTabStop(const std::string& from, bool back) const {
    std::vector<std::string> stops;
    std::size_t at = 0;
    bool found = false;
    for (const std::string& name : TabOrder()) {
        if (name == from) {
            at = stops.size();
            found = true;
        }
        if (IsTabStop(controls_.at(name)))
            stops.push_back(name);
    }
    if (stops.empty())
        return {};
    if (!found)
        return back ? stops.back() : stops.front();
    // `at` is where `from` stands among the stops (or would stand).
    const bool fromIsStop = at < stops.size() && stops[at] == from;
    if (back)
        return at == 0 ? stops.back() : stops[at - 1];
    const std::size_t next = fromIsStop ? at + 1 : at;
    return next < stops.size() ? stops[next] : stops.front();
}

std::string SimForm::FocusedControl() const {
    auto it = controls_.find(focus_);
    return it != controls_.end() && Usable(it->second) ? focus_ : std::string();
}

bool SimForm::SetFocusTo(const std::string& control) {
    const Control* c = Find(control, "SetFocusTo");
    if (c == nullptr || !TakesFocus(c->spec.kind) || !Usable(*c))
        return false;
    focus_ = control;
    return true;
}

// As a property sheet does when its page changes under the focus: to the
// checked tab, else on to the next visible tab stop.
void SimForm::KeepFocusVisible() {
    focusHidden_ = false;
    auto it = controls_.find(focus_);
    if (it == controls_.end() || Usable(it->second))
        return;
    for (const std::string& name : TabOrder()) {
        const Control& c = controls_.at(name);
        if (c.spec.kind == ControlKind::TabButton && c.value == 1 && Usable(c)) {
            focus_ = name;
            return;
        }
    }
    focus_ = NextTabStop(focus_, false);
}

std::string SimForm::DefaultPushButton() const {
    // The focused push button, else the form's own default (the last one the
    // table marks), as the dialog manager draws it.
    const std::string focused = FocusedControl();
    if (!focused.empty() && controls_.at(focused).spec.kind == ControlKind::CommandButton)
        return focused;
    std::string found;
    for (const ControlSpec& c : spec_.controls)
        if (c.isDefault && c.kind == ControlKind::CommandButton)
            found = c.name;
    return found;
}

// ------------------------------------------------------------------ the user

bool SimForm::Click(const std::string& control) {
    Control* c = Find(control, "Click");
    if (c == nullptr || !Usable(*c))
        return false;
    if (TakesFocus(c->spec.kind) && c->spec.kind != ControlKind::ComboList)
        focus_ = control;
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

void SimForm::PressButton(const std::string& control) {
    Fire("Click", [&] { events_.Click(control); });
}

void SimForm::PressKey(int keyCode, int shift) {
    if (!loaded_)
        return;
    if (spec_.keyPreview) {
        const std::uint64_t id = id_;
        Fire("Form_KeyDown", [&] { events_.Form_KeyDown(keyCode, shift); });
        if (!desk_.FormAlive(id) || !loaded_ || keyCode == 0)
            return;
    }
    if ((shift & kAltMask) != 0)
        return;
    switch (keyCode) {
    case VK_TAB: {
        if ((shift & kCtrlMask) != 0)
            return;
        const std::string next = NextTabStop(FocusedControl(), (shift & kShiftMask) != 0);
        if (!next.empty())
            focus_ = next;
        return;
    }
    case VK_RETURN: {
        const std::string target = DefaultPushButton();
        if (!target.empty() && Usable(controls_.at(target)))
            PressButton(target);
        return;
    }
    case VK_ESCAPE:
        for (const ControlSpec& c : spec_.controls)
            if (c.isCancel && c.kind == ControlKind::CommandButton &&
                Usable(controls_.at(c.name))) {
                PressButton(c.name);
                return;
            }
        return;
    default:
        return;
    }
}

bool SimForm::PressMnemonic(char letter) {
    if (!loaded_)
        return false;
    const char want = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    const std::vector<std::string> order = TabOrder();
    for (const std::string& name : order) {
        Control& c = controls_.at(name);
        if (Mnemonic(c.text) != want || !Usable(c))
            continue;
        switch (c.spec.kind) {
        case ControlKind::Label: {
            const std::string next = NextTabStop(name, false);
            if (next.empty())
                return false;
            focus_ = next;
            return true;
        }
        case ControlKind::CommandButton:
            PressButton(name);
            return true;
        case ControlKind::CheckBox:
        case ControlKind::TabButton:
            return Click(name);
        default:
            if (!IsTabStop(c))
                continue;
            focus_ = name;
            return true;
        }
    }
    return false;
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

} // namespace pocketry::sim
