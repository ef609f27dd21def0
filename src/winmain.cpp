// Windows entry: the Windows platform objects, then the program.
#include "app/Main.h"
#include "platform/win32/Libraries.h"
#include "platform/win32/Win32Platform.h"

#include <cstdlib>
#include <exception>
#include <string>

// The default terminate handler names the escaped exception's type on stderr,
// which a windowed program does not have, and brings in the whole C++
// demangler for it (about 40 KB). This definition takes its place at link
// time, so the library's one is never linked: an escaping exception still
// ends the program through abort(), as before, only without the lost text.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

// The last word of a program that cannot go on: the failure style of every
// other message of the program (OK, warning icon, system-modal, foreground).
constexpr UINT kFailureStyle = MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL | MB_SETFOREGROUND;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL on demand.
    pocketry::platform::win32::RestrictDllSearch();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    try {
        const pocketry::platform::win32::ComApartment com;
        pocketry::platform::win32::Win32Platform platform(instance);
        pocketry::Main(platform.Api());
    } catch (const std::exception& e) {
        // Nothing is left to carry on with; the user at least learns why.
        const std::string text = std::string("Pocketry stopped: ") + e.what();
        ::MessageBoxW(nullptr, pocketry::platform::win32::Wide(text).c_str(), L"Pocketry",
                      kFailureStyle);
        return 1;
    } catch (...) {
        ::MessageBoxW(nullptr, L"Pocketry stopped after an unexpected failure.", L"Pocketry",
                      kFailureStyle);
        return 1;
    }
    return 0;
}
