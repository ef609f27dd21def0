#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

class Windows final : public platform::Windows {
  public:
    Hwnd FindWindowA(const char* className, const char* windowName) override;
    Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter, const char* className,
                       const char* windowName) override;
    bool EnumWindows(WNDENUMPROC proc, std::intptr_t lParam) override;
    int GetClassNameA(Hwnd hWnd, std::string& text, int maxCount) override;
    int GetWindowTextA(Hwnd hWnd, std::string& text, int maxCount) override;
    Hwnd GetForegroundWindow() override;
    Hwnd GetDesktopWindow() override;
    bool IsWindow(Hwnd hWnd) override;
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
    // A procedure Windows can call that hands each message to `proc`. A few
    // procedures fit (the program subclasses with one); 0 when they are used up.
    std::uintptr_t AddressOfWindowProc(WindowProcFn proc) override;
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
};

} // namespace pocketry::platform::win32
