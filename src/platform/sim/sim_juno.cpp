// The scripted Juno client. Its steps are scheduled on the desktop's clock
// under this object's tag, so a crash or an exit can take them all back.
#include "platform/sim/sim_juno.h"

namespace pocketry::sim {

using namespace platform;

SimJuno::SimJuno(SimDesktop& desk, JunoScript script) : desk_(desk), script_(std::move(script)) {}

SimJuno::~SimJuno() {
    desk_.CancelEvents(this);
    desk_.UnregisterProgram(ProgramPath());
    for (Hwnd h : {main_, welcome_, yes_, no_})
        desk_.SetWindowHandler(h, nullptr);
}

std::string SimJuno::ProgramPath() const {
    const std::string& root = script_.root;
    return root + (!root.empty() && root.back() == '\\' ? "" : "\\") + "bin\\juno.exe";
}

void SimJuno::Install() {
    const std::string& root = script_.root;
    desk_.AddFile(ProgramPath());
    desk_.AddDirectory(root + (!root.empty() && root.back() == '\\' ? "" : "\\") + "ads");
    desk_.SetIniValue("Juno.ini", "Configuration", "Root Dir", root);
    desk_.RegisterProgram(ProgramPath(), [this](int showCmd) { Start(showCmd); });
}

bool SimJuno::Running() const {
    return desk_.Window(main_) != nullptr || desk_.Window(welcome_) != nullptr;
}

void SimJuno::Start(int showCmd) {
    if (Running() || starting_)
        return; // one client at a time
    ++starts_;
    starting_ = true;
    closing_ = confirmed_ = false;
    desk_.After(
        script_.startDelayMs,
        [this, showCmd] {
            if (script_.welcomeMs == 0) {
                ShowMain(showCmd);
                return;
            }
            welcome_ =
                desk_.AddWindow({.className = "#32770",
                                 .title = "Welcome to Juno",
                                 .threadId = kThreadId,
                                 .processId = kProcessId,
                                 .handler = [this](std::uint32_t m, std::uintptr_t, std::intptr_t) {
                                     return OnTopMessage(m);
                                 }});
            desk_.SetForeground(welcome_);
            desk_.After(
                script_.welcomeMs,
                [this, showCmd] {
                    Forget(welcome_);
                    ShowMain(showCmd);
                },
                this);
        },
        this);
}

void SimJuno::StartNow() {
    if (Running())
        return;
    ++starts_;
    closing_ = confirmed_ = false;
    ShowMain(SW_SHOWNORMAL);
}

void SimJuno::ShowMain(int showCmd) {
    starting_ = false;
    const bool minimized = showCmd == 2 || showCmd == 6 || showCmd == SW_SHOWMINNOACTIVE;
    main_ = desk_.AddWindow({.className = kMainClass,
                             .title = "Juno",
                             .threadId = kThreadId,
                             .processId = kProcessId,
                             .visible = showCmd != SW_HIDE,
                             .minimized = minimized,
                             .handler = [this](std::uint32_t m, std::uintptr_t, std::intptr_t) {
                                 return OnTopMessage(m);
                             }});
    if (showCmd != SW_HIDE && !minimized)
        desk_.SetForeground(main_);
}

std::intptr_t SimJuno::OnTopMessage(std::uint32_t msg) {
    if (msg != WM_CLOSE)
        return 0;
    ++closeRequests_;
    if (closing_)
        return 0;
    closing_ = true;
    if (script_.confirmOnClose)
        desk_.After(
            script_.confirmDelayMs, [this] { AskConfirm(); }, this);
    else
        desk_.After(
            script_.exitDelayMs, [this] { Exit(); }, this);
    return 0;
}

void SimJuno::AskConfirm() {
    confirm_ = desk_.AddWindow({.className = "#32770",
                                .title = "Confirm Permanent Delete",
                                .threadId = kThreadId,
                                .processId = kProcessId});
    auto button = [this](const char* caption, bool yes) {
        return desk_.AddWindow(
            {.className = "Button",
             .title = caption,
             .parent = confirm_,
             .threadId = kThreadId,
             .processId = kProcessId,
             .handler = [this, yes](std::uint32_t m, std::uintptr_t w, std::intptr_t) {
                 return OnButton(yes, m, w);
             }});
    };
    yes_ = button("&Yes", true);
    no_ = button("&No", false);
    desk_.SetForeground(confirm_);
}

std::intptr_t SimJuno::OnButton(bool yes, std::uint32_t msg, std::uintptr_t wParam) {
    // A push button clicks when the space key goes up after it went down on it.
    const Hwnd self = yes ? yes_ : no_;
    if (msg == WM_KEYDOWN && wParam == VK_SPACE) {
        spaceDown_ = true;
        pressed_ = self;
        return 0;
    }
    const bool clicked = msg == BM_CLICK ||
                         (msg == WM_KEYUP && wParam == VK_SPACE && spaceDown_ && pressed_ == self);
    if (!clicked)
        return 0;
    spaceDown_ = false;
    confirmed_ = yes;
    // Either answer lets the client go on closing; the question is only
    // whether the deleted messages go for good.
    Forget(confirm_);
    yes_ = no_ = 0;
    desk_.After(
        script_.exitDelayMs, [this] { Exit(); }, this);
    return 0;
}

Hwnd SimJuno::OpenMailDialog(const std::string& title) {
    const Hwnd h = desk_.AddWindow({.className = "#32770",
                                    .title = title,
                                    .threadId = kThreadId,
                                    .processId = kProcessId,
                                    .topmost = true});
    mailDialogs_.push_back(h);
    return h;
}

void SimJuno::CloseMailDialogs() {
    for (Hwnd& h : mailDialogs_)
        Forget(h);
    mailDialogs_.clear();
}

void SimJuno::Forget(Hwnd& h) {
    desk_.RemoveWindow(h);
    h = 0;
}

void SimJuno::Exit() {
    desk_.CancelEvents(this);
    CloseMailDialogs();
    Forget(confirm_);
    Forget(welcome_);
    Forget(main_);
    yes_ = no_ = 0;
    starting_ = closing_ = spaceDown_ = false;
}

void SimJuno::Hang(bool hung) {
    std::vector<Hwnd> all = mailDialogs_;
    all.insert(all.end(), {main_, welcome_, confirm_, yes_, no_});
    for (Hwnd h : all)
        desk_.SetHung(h, hung);
}

void SimJuno::Crash() {
    Exit();
}

} // namespace pocketry::sim
