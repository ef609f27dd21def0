#pragma once
#include "platform/PixelGrid.h"
#include "platform/win32/Win32.h"

#include <functional>
#include <vector>

namespace pocketry::platform::win32 {

class Form;

// Real windows for the program's forms, the message loop that drives them,
// message boxes and the mouse pointer of the whole program. Unicode
// throughout: the classes are registered with their wide (W) procedures, the
// loop gets and dispatches wide messages, and every text (captions, control
// texts, list items, menu items, message boxes) passes as UTF-16 converted
// from the program's UTF-8 with Wide and back with Utf8. The main window is
// a Unicode window for the code that subclasses it.
class UserInterface final : public platform::UserInterface {
  public:
    // Registers the window classes of forms, frames and the taskbar owner;
    // throws when Windows refuses.
    explicit UserInterface(HINSTANCE instance);
    ~UserInterface() override;
    UserInterface(const UserInterface&) = delete;
    UserInterface& operator=(const UserInterface&) = delete;

    std::unique_ptr<platform::Form> CreateForm(const FormSpec& spec, FormEvents& events) override;
    // Until no form is left (or the thread is told to quit). The last form's
    // end posts the quit, so the loop ends however the window went: in a sent
    // message as well, for which GetMessage does not return.
    void RunMessageLoop() override;
    int MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) override;
    void SetMousePointer(int pointer) override;
    int MousePointer() const override { return pointer_; }
    double TwipsPerPixelX() const override { return 1440.0 / dpiX_; }
    double TwipsPerPixelY() const override { return 1440.0 / dpiY_; }
    double ScreenWidth() const override;
    double ScreenHeight() const override;

    // ----- for the forms
    static constexpr const wchar_t* kFormClass = L"PocketryForm";
    static constexpr const wchar_t* kFrameClass = L"PocketryFrame";

    HINSTANCE Instance() const { return instance_; }
    // Screen positions at the system DPI, as the program measures the screen;
    // a form lays out its client area at its own window's DPI.
    int ToPixelsX(int twips) const { return TwipsToPixels(twips, dpiX_); }
    int ToPixelsY(int twips) const { return TwipsToPixels(twips, dpiY_); }
    int ToTwipsX(int pixels) const { return ::MulDiv(pixels, 1440, dpiX_); }
    int ToTwipsY(int pixels) const { return ::MulDiv(pixels, 1440, dpiY_); }
    int DpiY() const { return dpiY_; }

    // The cursor the whole program shows instead of its own (the hourglass
    // while busy), or null. Never while a message box is up.
    HCURSOR ScreenCursor() const;
    // The cursor of a mouse pointer code, or null for the default.
    static HCURSOR CursorOf(int pointer);

    void Register(Form* form);
    // Posts the quit when the last form goes while a loop runs.
    void Unregister(Form* form);
    // The form whose top-level window holds `hwnd`, or null.
    Form* FormOf(HWND hwnd) const;
    // The owner of a message box or a modal form: the form whose window is
    // the thread's active window, else the one shown last that is visible
    // and enabled, else none (no window of the program on the screen).
    Form* ActiveForm() const;
    // The form's window appeared on the screen.
    void NoteShown(Form* form);
    // A hidden window of the program that owns the forms kept off the taskbar.
    HWND TaskbarOwner();

    // Handles messages until `done` says so. A quit request ends the loop; a
    // nested loop passes it on to the loop around it.
    void PumpUntil(const std::function<bool()>& done, bool nested);

  private:
    void Dispatch(MSG& msg);
    // Lets the window under the mouse choose its cursor again.
    void RefreshCursor();

    HINSTANCE instance_;
    int dpiX_ = 96;
    int dpiY_ = 96;
    int pointer_ = 0;
    int messageBoxes_ = 0;
    int loops_ = 0;           // message loops running, nested ones included
    bool quitPosted_ = false; // for the last form, and not yet seen by a loop
    std::vector<Form*> forms_;
    std::vector<Form*> shown_; // the forms in the order they last appeared, latest last
    OwnedWindow taskbarOwner_;
};

} // namespace pocketry::platform::win32
