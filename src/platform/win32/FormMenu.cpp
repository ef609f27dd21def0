// The pop-up menu built from the form's menu table.
#include "platform/win32/FormInternal.h"

#include <algorithm>
#include <stdexcept>

namespace pocketry::platform::win32 {

using namespace form_internal;

namespace {

constexpr int kMaxMenuDepth = 8;

} // namespace

// ============================================================== menus

std::size_t Form::MenuIndex(const std::string& name) const {
    for (std::size_t i = 0; i < menus_.size(); ++i)
        if (menus_[i].spec.name == name)
            return i;
    throw std::invalid_argument("form " + spec_.name + " has no menu item " + name);
}

std::string Form::MenuCaption(const std::string& item) const {
    return menus_[MenuIndex(item)].caption;
}

void Form::SetMenuCaption(const std::string& item, const std::string& caption) {
    menus_[MenuIndex(item)].caption = caption;
}

bool Form::MenuEnabled(const std::string& item) const {
    return menus_[MenuIndex(item)].enabled;
}

void Form::SetMenuEnabled(const std::string& item, bool enabled) {
    menus_[MenuIndex(item)].enabled = enabled;
}

OwnedMenu Form::BuildMenu(const std::string& parent) {
    struct Builder {
        Form& form;
        OwnedMenu Build(const std::string& under, int depth) {
            OwnedMenu menu(::CreatePopupMenu());
            if (!menu || depth > kMaxMenuDepth)
                return menu;
            for (std::size_t i = 0; i < form.menus_.size(); ++i) {
                const MenuItem& item = form.menus_[i];
                if (item.spec.parent != under)
                    continue;
                if (item.caption == "-") {
                    ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
                    continue;
                }
                const UINT state = item.enabled ? MF_ENABLED : MF_GRAYED;
                const bool hasChildren =
                    std::any_of(form.menus_.begin(), form.menus_.end(),
                                [&](const MenuItem& m) { return m.spec.parent == item.spec.name; });
                if (hasChildren) {
                    OwnedMenu sub = Build(item.spec.name, depth + 1);
                    if (sub && ::AppendMenuW(menu.get(), MF_POPUP | state,
                                             reinterpret_cast<UINT_PTR>(sub.get()),
                                             Wide(item.caption).c_str()) != 0)
                        static_cast<void>(sub.release()); // the menu owns it now
                    continue;
                }
                ::AppendMenuW(menu.get(), MF_STRING | state, i + 1, Wide(item.caption).c_str());
            }
            return menu;
        }
    };
    return Builder{*this}.Build(parent, 0);
}

void Form::PopupMenu(const std::string& parent, std::uint32_t flags,
                     const std::string& defaultItem) {
    if (hwnd_ == nullptr)
        return;
    MenuIndex(parent); // a parent that does not exist is the caller's mistake
    const std::weak_ptr<const char> token = alive_;
    // The parent's click comes first: its handler sets the items' captions and states.
    if (!Fire([&parent](FormEvents& e) { e.MenuClick(parent); }))
        return;
    const OwnedMenu menu(BuildMenu(parent));
    if (!menu)
        return;
    if (!defaultItem.empty())
        for (std::size_t i = 0; i < menus_.size(); ++i)
            if (menus_[i].spec.name == defaultItem)
                ::SetMenuDefaultItem(menu.get(), static_cast<UINT>(i + 1), FALSE);
    POINT at{};
    ::GetCursorPos(&at);
    // The classic pop-up for a notification icon: the window must be in the
    // foreground for the menu to close when the user clicks elsewhere, and a
    // message after it lets the next pop-up open at the first click.
    if (::GetForegroundWindow() != hwnd_)
        ::SetForegroundWindow(hwnd_);
    const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
        menu.get(), flags | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
    // The menu's loop handled other messages meanwhile (timers among them).
    if (token.expired() || hwnd_ == nullptr)
        return;
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);
    if (chosen == 0 || chosen > menus_.size())
        return;
    const std::string item = menus_[chosen - 1].spec.name;
    Fire([&item](FormEvents& e) { e.MenuClick(item); });
}

} // namespace pocketry::platform::win32
