// The simulated user interface service: the forms, the message loop and its
// timers, message boxes and the scripts that answer them.
#include "platform/sim/sim_ui.h"

#include <algorithm>
#include <limits>

#include "platform/sim/sim.h"

namespace pocketry::sim {

using namespace platform;

SimUserInterface::~SimUserInterface() = default;

// ------------------------------------------------------------------ the loop

bool SimUserInterface::Step(std::uint64_t limit) {
    // The earliest due timer of a loaded form; a timer whose handler runs is
    // not due (no re-entry), and one overdue fires once, now.
    SimForm* form = nullptr;
    std::string name;
    std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
    for (SimForm* f : forms_)
        if (auto due = f->DueTimer(desk_.Now()); due && due->first < best) {
            best = due->first;
            name = due->second;
            form = f;
        }
    std::uint64_t event = 0;
    if (desk_.NextEvent(event) && event <= std::min(best, limit)) {
        desk_.AdvanceTo(event); // events first at equal times
        return true;
    }
    if (form == nullptr || best > limit)
        return false;
    desk_.SetNow(best);
    form->RunTimer(name, best);
    return true;
}

void SimUserInterface::RunFor(std::uint64_t ms) {
    const std::uint64_t end = desk_.Now() + ms;
    while (Step(end)) {
    }
    desk_.SetNow(end);
}

void SimUserInterface::RunMessageLoop() {
    // Whatever destroyed the last form (a posted or sent message, a nested
    // loop), the loop ends as soon as none is left.
    const std::uint64_t end = desk_.Now() + loopLimit_;
    loopGaveUp_ = false;
    auto anyLoaded = [this] {
        return std::any_of(forms_.begin(), forms_.end(), [](SimForm* f) { return f->Loaded(); });
    };
    while (anyLoaded()) {
        if (!Step(end)) {
            // Nothing can happen any more before the limit.
            loopGaveUp_ = true;
            return;
        }
    }
}

// ------------------------------------------------------------------ forms

std::unique_ptr<Form> SimUserInterface::CreateForm(const FormSpec& spec, FormEvents& events) {
    return std::make_unique<SimForm>(desk_, spec, events);
}

std::uint64_t SimUserInterface::RegisterForm(SimForm* f) {
    forms_.push_back(f);
    return nextFormId_++;
}

void SimUserInterface::UnregisterForm(SimForm* f) {
    std::erase(forms_, f);
}

void SimUserInterface::DetachForms() {
    for (SimForm* f : forms_)
        f->Detach();
    forms_.clear();
}

bool SimUserInterface::FormAlive(std::uint64_t id) const {
    return std::any_of(forms_.begin(), forms_.end(), [id](SimForm* f) { return f->Id() == id; });
}

SimForm* SimUserInterface::FindForm(const std::string& name) const {
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
        if ((*it)->Loaded() && (*it)->Name() == name)
            return *it;
    return nullptr;
}

SimForm* SimUserInterface::ActiveForm() const {
    const Hwnd active = desk_.ActiveWindow();
    SimForm* best = nullptr;
    // A hidden or minimised form owns nothing: what it owned would be out of
    // sight with it.
    for (SimForm* f : forms_) {
        const SimWindow* w = desk_.Window(f->hWnd());
        if (!f->Loaded() || !f->Visible() || (w != nullptr && w->minimized))
            continue;
        if (f->hWnd() == active)
            return f;
        if (w != nullptr && w->enabled && (best == nullptr || f->ShowSeq() > best->ShowSeq()))
            best = f;
    }
    return best;
}

HIcon SimUserInterface::NewPicture(int resource) {
    const HIcon h = 0x000A0000u + 4u * static_cast<HIcon>(pictures_.size() + 1);
    pictures_[h] = resource;
    return h;
}

int SimUserInterface::IconResource(HIcon picture) const {
    auto it = pictures_.find(picture);
    return it == pictures_.end() ? 0 : it->second;
}

void SimUserInterface::SetTwipsPerPixel(double x, double y) {
    tppX_ = x;
    tppY_ = y;
}

void SimUserInterface::SetScreenPixels(int width, int height) {
    screenW_ = width;
    screenH_ = height;
}

void SimUserInterface::SetMousePointer(int pointer) {
    pointer_ = pointer;
    pointerLog_.push_back(pointer);
}

// ------------------------------------------------------------------ scripts

void SimUserInterface::AnswerNextMsgBox(int button) {
    msgBoxQueue_.push_back([button](const MsgBoxRecord&) { return button; });
}

void SimUserInterface::AnswerNextMsgBox(std::function<int(const MsgBoxRecord&)> action) {
    msgBoxQueue_.push_back(std::move(action));
}

void SimUserInterface::SetMsgBoxResponder(std::function<int(const MsgBoxRecord&)> responder) {
    msgBoxResponder_ = std::move(responder);
}

void SimUserInterface::SetModalResponder(std::function<void(SimForm&)> responder) {
    modalResponder_ = std::move(responder);
}

void SimUserInterface::RunModalResponder(SimForm& form) {
    if (auto responder = modalResponder_)
        desk_.Guard(form.Name() + " modal responder", [&] { responder(form); });
}

void SimUserInterface::ChooseMenuItem(const std::string& item) {
    menuChoices_.push_back(item);
}

void SimUserInterface::SetPopupResponder(std::function<std::string(const PopupRecord&)> responder) {
    popupResponder_ = std::move(responder);
}

std::string SimUserInterface::ChoosePopup(const PopupRecord& rec) {
    std::string choice;
    if (!menuChoices_.empty()) {
        choice = menuChoices_.front();
        menuChoices_.erase(menuChoices_.begin());
    } else if (auto responder = popupResponder_) {
        desk_.Guard("the pop-up menu responder", [&] { choice = responder(rec); });
    }
    return choice;
}

// ------------------------------------------------------------------ message boxes

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

int SimUserInterface::DefaultButton(std::uint32_t style) {
    const std::vector<int> buttons = Buttons(style);
    const std::size_t which = (style >> 8) & 0xF; // MB_DEFBUTTON1..4
    return buttons[which < buttons.size() ? which : 0];
}

int SimUserInterface::MsgBox(const std::string& prompt, std::uint32_t style,
                             const std::string& title) {
    // The box is modal to the active form: that form is disabled while it is open.
    const SimForm* ownerForm = ActiveForm();
    const Hwnd owner = ownerForm != nullptr ? ownerForm->hWnd() : 0;
    bool disabled = false;
    if (SimWindow* w = desk_.Window(owner); w != nullptr && w->enabled) {
        w->enabled = false;
        disabled = true;
    }
    const MsgBoxRecord rec{prompt, style, title, desk_.Now(), 0, owner};
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
        desk_.Guard("a message box answer", [&] { answer = action(rec); });
    --openMsgBoxes_;
    if (SimWindow* w = desk_.Window(owner); w != nullptr && disabled)
        w->enabled = true;
    const std::vector<int> buttons = Buttons(style);
    if (answer != 0 && std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) {
        desk_.AddError("message box \"" + prompt + "\" has no button " + std::to_string(answer));
        answer = 0;
    }
    if (answer == 0)
        answer = DefaultButton(style);
    msgBoxes_[index].answer = answer;
    return answer;
}

} // namespace pocketry::sim
