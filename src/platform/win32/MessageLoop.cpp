// The program's message loop and the nested loops of modal shows.
#include "platform/win32/UserInterface.h"

#include "platform/win32/Form.h"

namespace pocketry::platform::win32 {

void UserInterface::RunMessageLoop() {
    PumpUntil([this] { return forms_.empty(); }, false);
}

void UserInterface::PumpUntil(const std::function<bool()>& done, bool nested) {
    MSG msg{};
    while (!done()) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            return;
        if (got == 0) {
            if (nested)
                ::PostQuitMessage(static_cast<int>(msg.wParam));
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
    if (form != nullptr && ::IsDialogMessageA(form->Handle(), &msg) != 0)
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

} // namespace pocketry::platform::win32
