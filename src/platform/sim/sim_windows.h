#pragma once
// The simulated window manager: every top-level and child window of the
// desktop, its messages, activation, keys and system parameters.
//
// Z-order. Top-level windows are kept in one list, the most recently created,
// shown or activated first; EnumWindows, FindWindowA and FindWindowExA walk it
// with the topmost windows ahead of the others. Children are kept in creation
// order (the first created is searched first), as dialog controls are.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimWindows : public platform::Windows {
  public:
    explicit SimWindows(SimDesktop& desk) : desk_(desk) {}

    Hwnd AddWindow(NewWindow w);
    void RemoveWindow(Hwnd hWnd); // with its children
    SimWindow* Window(Hwnd hWnd);
    const SimWindow* Window(Hwnd hWnd) const;
    std::vector<Hwnd> TopLevelWindows() const; // EnumWindows order
    void SetWindowHandler(Hwnd hWnd, MessageHandler handler);
    // Runs the window's current procedure now, as if another process sent it.
    std::intptr_t Deliver(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam);
    void SetForeground(Hwnd hWnd); // the user activates a window (not recorded)
    Hwnd Foreground() const { return foreground_; }
    Hwnd ActiveWindow() const { return active_; }
    // A hung window's thread takes no messages: what is posted to it
    // (messages, asynchronous shows and positions) waits until it answers
    // again, and a call that would wait for it (a sent message, ShowWindow,
    // SetWindowPos without SWP_ASYNCWINDOWPOS) is written to Errors(), as the
    // program would hang there.
    void SetHung(Hwnd hWnd, bool hung);
    // The reason the window gives for holding up the end of the session, if any.
    std::optional<std::string> ShutdownBlockReason(Hwnd hWnd) const;
    void FailSetWindowLong(bool fail) { failSetWindowLong_ = fail; }
    void FailSetForegroundWindow(bool fail) { failSetForeground_ = fail; }
    const std::vector<MessageCall>& Messages() const { return messages_; }
    const std::vector<SetWindowPosCall>& SetWindowPosCalls() const { return setWindowPos_; }
    const std::vector<AttachThreadInputCall>& AttachCalls() const { return attach_; }
    const std::vector<Hwnd>& SetForegroundCalls() const { return setForeground_; }
    const std::vector<Hwnd>& SetActiveCalls() const { return setActive_; }
    const std::vector<ShowWindowCall>& ShowWindowCalls() const { return showWindow_; }
    // Keys: down sets the 0x8000 bit; every key that went down since the
    // last query also gets the low bit once. TapKey: down and up again.
    void SetKeyDown(int vKey, bool down);
    void TapKey(int vKey);
    // System parameters.
    void SetWorkArea(platform::Rect r) { workArea_ = r; }
    void SetScreenSaver(bool active, std::uint32_t timeoutSeconds);
    bool ScreenSaverActive() const { return ssActive_; }
    std::uint32_t ScreenSaverTimeout() const { return ssTimeout_; }
    void FailSystemParameter(std::uint32_t action, bool fail);
    const std::vector<SpiCall>& SpiCalls() const { return spi_; }

    // ---- for the other services
    // The number registered for a message (or clipboard format) name, if any.
    std::optional<std::uint32_t> RegisteredMessage(const std::string& name) const;
    void Activate(Hwnd hWnd); // top of the z-order, foreground and active
    // The window loses the foreground and activation it holds.
    void Deactivate(Hwnd hWnd);
    static std::uintptr_t OriginalProc(Hwnd hWnd) { return 0x00410000u + hWnd; }

    // ---- platform::Windows
    Hwnd FindWindowA(const char* className, const char* windowName) override;
    Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter, const char* className,
                       const char* windowName) override;
    bool EnumWindows(platform::WNDENUMPROC proc, std::intptr_t lParam) override;
    int GetClassNameA(Hwnd hWnd, std::string& text, int maxCount) override;
    int GetWindowTextA(Hwnd hWnd, std::string& text, int maxCount) override;
    Hwnd GetForegroundWindow() override { return foreground_; }
    Hwnd GetDesktopWindow() override { return kDesktopWindow; }
    bool IsWindow(Hwnd hWnd) override { return Window(hWnd) != nullptr; }
    bool IsWindowVisible(Hwnd hWnd) override;
    bool IsIconic(Hwnd hWnd) override;
    std::uint32_t GetWindowThreadProcessId(Hwnd hWnd) override;
    bool AttachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo, bool attach) override;
    bool SetForegroundWindow(Hwnd hWnd) override;
    Hwnd SetActiveWindow(Hwnd hWnd) override;
    bool ShowWindow(Hwnd hWnd, int cmdShow) override;
    bool SetWindowPos(Hwnd hWnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                      std::uint32_t flags) override;
    bool PostMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                      std::intptr_t lParam) override;
    std::intptr_t SendMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    bool SendMessageTimeoutA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                             std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                             std::intptr_t& result) override;
    std::uintptr_t AddressOfWindowProc(platform::WindowProcFn proc) override;
    std::uintptr_t SetWindowLongA(Hwnd hWnd, int index, std::uintptr_t newLong) override;
    std::intptr_t CallWindowProcA(std::uintptr_t prevProc, Hwnd hWnd, std::uint32_t msg,
                                  std::uintptr_t wParam, std::intptr_t lParam) override;
    std::int16_t GetAsyncKeyState(int vKey) override;
    std::uint32_t RegisterWindowMessageA(const std::string& name) override;
    bool SystemParametersInfoA(std::uint32_t uiAction, std::uint32_t uiParam, void* pvParam,
                               std::uint32_t fWinIni) override;
    bool ShowWindowAsync(Hwnd hWnd, int cmdShow) override;
    bool IsHungAppWindow(Hwnd hWnd) override;
    std::uint32_t GetWindowThreadProcessId(Hwnd hWnd, std::uint32_t& processId) override;
    bool ShutdownBlockReasonCreate(Hwnd hWnd, const std::string& reason) override;
    bool ShutdownBlockReasonDestroy(Hwnd hWnd) override;

  private:
    // True when a call on the window would wait for a hung thread of another
    // program; the call is then written to Errors().
    bool WouldHang(Hwnd hWnd, const char* call);
    // Runs now, or once a hung window answers again.
    void WhenAnswering(Hwnd hWnd, std::function<void()> action);
    void ApplyWindowPos(SimWindow& w, Hwnd insertAfter, int x, int y, int cx, int cy,
                        std::uint32_t flags);
    void Dispatch(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                  std::intptr_t* result);
    void BringToTop(Hwnd hWnd);
    void ApplyShow(SimWindow& w, int cmdShow);
    Hwnd NewHandle() { return nextHandle_ += 2; }

    SimDesktop& desk_;
    Hwnd nextHandle_ = 0x10020;
    std::map<Hwnd, SimWindow> windows_;
    std::vector<Hwnd> zOrder_; // top-level windows, top first
    Hwnd foreground_ = 0, active_ = 0;
    bool failSetWindowLong_ = false, failSetForeground_ = false;
    std::vector<platform::WindowProcFn> procs_;
    std::vector<MessageCall> messages_;
    std::vector<SetWindowPosCall> setWindowPos_;
    std::vector<AttachThreadInputCall> attach_;
    std::vector<Hwnd> setForeground_, setActive_;
    std::vector<ShowWindowCall> showWindow_;
    std::map<int, bool> keysDown_;
    std::set<int> keysPressed_;
    platform::Rect workArea_{0, 0, 1024, 738};
    bool ssActive_ = true;
    std::uint32_t ssTimeout_ = 600;
    std::set<std::uint32_t> failSpi_;
    std::vector<SpiCall> spi_;
    std::map<std::string, std::uint32_t> atoms_;              // registered message and format names
    std::map<Hwnd, std::vector<std::function<void()>>> held_; // for hung windows
    std::map<Hwnd, std::string> shutdownReasons_;
};

} // namespace pocketry::sim
