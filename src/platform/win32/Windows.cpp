#include "platform/win32/Windows.h"

#include <array>
#include <exception>
#include <utility>
#include <vector>

namespace pocketry::platform::win32 {

namespace {

// ------------------------------------------------------- window procedures
// Windows calls a plain function with Windows types; the program's procedures
// take portable types. Each slot is one such function bound to one program
// procedure, filled on first request and kept for the process's life.
constexpr std::size_t kProcSlots = 8;
std::array<WindowProcFn, kProcSlots> g_procs{};

template <std::size_t I>
LRESULT CALLBACK ProcSlot(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WindowProcFn proc = g_procs[I];
    if (proc == nullptr)
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    // No exception may unwind through Windows' own frames.
    try {
        return proc(ToHwnd(hWnd), msg, wParam, lParam);
    } catch (...) {
        ReportCaught("a window procedure of the program");
    }
    return 0;
}

template <std::size_t... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeSlots(std::index_sequence<I...>) {
    return {&ProcSlot<I>...};
}
constexpr std::array<WNDPROC, kProcSlots> kSlots =
    MakeSlots(std::make_index_sequence<kProcSlots>{});

// ------------------------------------------------------- enumeration
struct EnumContext {
    platform::WNDENUMPROC proc;
    std::intptr_t lParam;
    std::exception_ptr failure;
};

BOOL CALLBACK EnumThunk(HWND hWnd, LPARAM lParam) {
    auto* context = reinterpret_cast<EnumContext*>(lParam);
    try {
        return context->proc(ToHwnd(hWnd), context->lParam) ? TRUE : FALSE;
    } catch (...) {
        // Stop here and hand the exception to the caller once Windows is out
        // of the way.
        context->failure = std::current_exception();
        return FALSE;
    }
}

// Reads a window's class name or title: at most maxCount - 1 characters, as
// the narrow call would. A character is one UTF-16 unit as Windows counts
// them, never half of a pair; the count returned is the UTF-8 text's length.
template <typename Read> int ReadText(std::string& text, int maxCount, Read read) {
    text.clear();
    if (maxCount <= 0)
        return 0;
    std::vector<wchar_t> buffer(static_cast<std::size_t>(maxCount) + 1, L'\0');
    int count = read(buffer.data(), maxCount);
    if (count <= 0)
        return 0;
    if (count >= maxCount)
        count = maxCount - 1;
    text = Utf8(buffer.data(), WholeUnits(buffer.data(), static_cast<std::size_t>(count)));
    return static_cast<int>(text.size());
}

// A class or window name for the W search calls; null stays null.
struct OptionalWide {
    explicit OptionalWide(const char* text) : present(text != nullptr) {
        if (present)
            wide = Wide(text);
    }
    const wchar_t* get() const { return present ? wide.c_str() : nullptr; }
    bool present;
    std::wstring wide;
};

} // namespace

Hwnd Windows::FindWindowA(const char* className, const char* windowName) {
    return ToHwnd(::FindWindowW(OptionalWide(className).get(), OptionalWide(windowName).get()));
}

Hwnd Windows::FindWindowExA(Hwnd parent, Hwnd childAfter, const char* className,
                            const char* windowName) {
    return ToHwnd(::FindWindowExW(ToHWND(parent), ToHWND(childAfter), OptionalWide(className).get(),
                                  OptionalWide(windowName).get()));
}

bool Windows::EnumWindows(platform::WNDENUMPROC proc, std::intptr_t lParam) {
    if (proc == nullptr)
        return false;
    EnumContext context{proc, lParam, nullptr};
    const BOOL result = ::EnumWindows(&EnumThunk, reinterpret_cast<LPARAM>(&context));
    if (context.failure)
        std::rethrow_exception(context.failure);
    return result != 0;
}

int Windows::GetClassNameA(Hwnd hWnd, std::string& text, int maxCount) {
    return ReadText(text, maxCount, [&](wchar_t* buffer, int size) {
        return ::GetClassNameW(ToHWND(hWnd), buffer, size);
    });
}

int Windows::GetWindowTextA(Hwnd hWnd, std::string& text, int maxCount) {
    return ReadText(text, maxCount, [&](wchar_t* buffer, int size) {
        return ::GetWindowTextW(ToHWND(hWnd), buffer, size);
    });
}

Hwnd Windows::GetForegroundWindow() {
    return ToHwnd(::GetForegroundWindow());
}

Hwnd Windows::GetDesktopWindow() {
    return ToHwnd(::GetDesktopWindow());
}

bool Windows::IsWindow(Hwnd hWnd) {
    return ::IsWindow(ToHWND(hWnd)) != 0;
}

bool Windows::IsWindowVisible(Hwnd hWnd) {
    return ::IsWindowVisible(ToHWND(hWnd)) != 0;
}

bool Windows::IsIconic(Hwnd hWnd) {
    return ::IsIconic(ToHWND(hWnd)) != 0;
}

std::uint32_t Windows::GetWindowThreadProcessId(Hwnd hWnd) {
    return ::GetWindowThreadProcessId(ToHWND(hWnd), nullptr);
}

bool Windows::AttachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo, bool attach) {
    return ::AttachThreadInput(idAttach, idAttachTo, attach ? TRUE : FALSE) != 0;
}

bool Windows::SetForegroundWindow(Hwnd hWnd) {
    return ::SetForegroundWindow(ToHWND(hWnd)) != 0;
}

Hwnd Windows::SetActiveWindow(Hwnd hWnd) {
    return ToHwnd(::SetActiveWindow(ToHWND(hWnd)));
}

bool Windows::ShowWindow(Hwnd hWnd, int cmdShow) {
    return ::ShowWindow(ToHWND(hWnd), cmdShow) != 0;
}

bool Windows::SetWindowPos(Hwnd hWnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                           std::uint32_t flags) {
    return ::SetWindowPos(ToHWND(hWnd), ToHWND(insertAfter), x, y, cx, cy, flags) != 0;
}

bool Windows::PostMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                           std::intptr_t lParam) {
    return ::PostMessageW(ToHWND(hWnd), msg, wParam, lParam) != 0;
}

std::intptr_t Windows::SendMessageA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    return ::SendMessageW(ToHWND(hWnd), msg, wParam, lParam);
}

bool Windows::SendMessageTimeoutA(Hwnd hWnd, std::uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t flags,
                                  std::uint32_t timeoutMs, std::intptr_t& result) {
    DWORD_PTR answer = 0;
    const LRESULT sent =
        ::SendMessageTimeoutW(ToHWND(hWnd), msg, wParam, lParam, flags, timeoutMs, &answer);
    result = sent != 0 ? static_cast<std::intptr_t>(answer) : 0;
    return sent != 0;
}

std::uintptr_t Windows::AddressOfWindowProc(WindowProcFn proc) {
    if (proc == nullptr)
        return 0;
    for (std::size_t i = 0; i < kProcSlots; ++i) {
        if (g_procs[i] == proc)
            return reinterpret_cast<std::uintptr_t>(kSlots[i]);
        if (g_procs[i] == nullptr) {
            g_procs[i] = proc;
            return reinterpret_cast<std::uintptr_t>(kSlots[i]);
        }
    }
    return 0;
}

std::uintptr_t Windows::SetWindowLongA(Hwnd hWnd, int index, std::uintptr_t newLong) {
    // GWL_WNDPROC and GWLP_WNDPROC share the value -4; the pointer-sized call
    // serves 32- and 64-bit builds alike. Set through the W call, the window
    // procedure receives its texts as UTF-16, whichever way the window was made.
    ::SetLastError(ERROR_SUCCESS);
    const LONG_PTR previous =
        ::SetWindowLongPtrW(ToHWND(hWnd), index, static_cast<LONG_PTR>(newLong));
    return static_cast<std::uintptr_t>(previous);
}

std::intptr_t Windows::CallWindowProcA(std::uintptr_t prevProc, Hwnd hWnd, std::uint32_t msg,
                                       std::uintptr_t wParam, std::intptr_t lParam) {
    if (prevProc == 0)
        return ::DefWindowProcW(ToHWND(hWnd), msg, wParam, lParam);
    return ::CallWindowProcW(reinterpret_cast<WNDPROC>(prevProc), ToHWND(hWnd), msg, wParam,
                             lParam);
}

std::int16_t Windows::GetAsyncKeyState(int vKey) {
    return static_cast<std::int16_t>(::GetAsyncKeyState(vKey));
}

std::uint32_t Windows::RegisterWindowMessageA(const std::string& name) {
    return ::RegisterWindowMessageW(Wide(name).c_str());
}

bool Windows::SystemParametersInfoA(std::uint32_t uiAction, std::uint32_t uiParam, void* pvParam,
                                    std::uint32_t fWinIni) {
    if (uiAction == SPI_GETWORKAREA) {
        if (pvParam == nullptr)
            return false;
        RECT area{};
        if (::SystemParametersInfoW(uiAction, uiParam, &area, fWinIni) == 0)
            return false;
        auto* rect = static_cast<Rect*>(pvParam);
        *rect = Rect{area.left, area.top, area.right, area.bottom};
        return true;
    }
    // The other actions read nothing or a 32-bit number, the same in both worlds.
    return ::SystemParametersInfoW(uiAction, uiParam, pvParam, fWinIni) != 0;
}

bool Windows::ShowWindowAsync(Hwnd hWnd, int cmdShow) {
    return ::ShowWindowAsync(ToHWND(hWnd), cmdShow) != 0;
}

bool Windows::IsHungAppWindow(Hwnd hWnd) {
    return ::IsHungAppWindow(ToHWND(hWnd)) != 0;
}

std::uint32_t Windows::GetWindowThreadProcessId(Hwnd hWnd, std::uint32_t& processId) {
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(ToHWND(hWnd), &process);
    processId = thread != 0 ? process : 0;
    return thread;
}

bool Windows::ShutdownBlockReasonCreate(Hwnd hWnd, const std::string& reason) {
    return ::ShutdownBlockReasonCreate(ToHWND(hWnd), Wide(reason).c_str()) != 0;
}

bool Windows::ShutdownBlockReasonDestroy(Hwnd hWnd) {
    return ::ShutdownBlockReasonDestroy(ToHWND(hWnd)) != 0;
}

} // namespace pocketry::platform::win32
