// The program's message loop and the nested loops of modal shows.
#include "platform/win32/UserInterface.h"

#include "platform/win32/Form.h"

namespace pocketry::platform::win32 {

void UserInterface::RunMessageLoop() {
    PumpUntil([this] { return forms_.empty(); }, false);
    // The quit of the last form, when the loop ended without needing it (a
    // modal loop or a message box that does not pass the quit on ate it, or
    // the window went before the loop started), must not end a later loop.
    if (quitPosted_) {
        MSG quit{};
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        quitPosted_ = false;
    }
}

void UserInterface::PumpUntil(const std::function<bool()>& done, bool nested) {
    struct Depth {
        int& loops;
        explicit Depth(int& l) : loops(l) { ++loops; }
        ~Depth() { --loops; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } depth(loops_);
    MSG msg{};
    // `done` is asked before every wait: a nested loop of the system's that
    // swallowed the quit still returns here, and no form means no wait.
    while (!done()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            return;
        if (got == 0) {
            // A nested loop passes the quit on to the loop around it.
            if (nested)
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            else
                quitPosted_ = false;
            return;
        }
        Dispatch(msg);
    }
}

void UserInterface::Dispatch(MSG& msg) {
    Form* form = msg.hwnd != nullptr ? FormOf(msg.hwnd) : nullptr;
    if (form != nullptr && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)) {
        const auto token = form->Token();
        if (form->KeyPreview() && !form->PreviewKey(msg.wParam))
            return;
        if (token.expired())
            return;
        if (msg.message == WM_KEYDOWN && form->HandleDialogKey(msg))
            return;
        if (token.expired() || !form->Loaded())
            return;
    }
    if (form != nullptr && ::IsDialogMessageW(form->Handle(), &msg) != 0)
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

} // namespace pocketry::platform::win32
