#include "platform/win32/Libraries.h"

#include <vector>

namespace pocketry::platform::win32 {

namespace {

// Both exist from Windows 8, and on Windows 7 with its DLL-search update;
// without them the older calls below do what can be done.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

bool HasSearchFlags() {
    static const bool has = [] {
        const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        return kernel != nullptr && ::GetProcAddress(kernel, "SetDefaultDllDirectories") != nullptr;
    }();
    return has;
}

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(buffer, length);
}

// The running executable's full path as Windows spells it.
std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        // A path that filled the buffer may have been cut: grow and ask again.
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ModuleFolder() {
    const std::wstring path = ModulePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool NotThere(DWORD error) {
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND;
}

// A DLL by its full path; the DLLs it needs in turn come from its own folder
// and the system folder.
HMODULE LoadByPath(const std::wstring& path) {
    if (HasSearchFlags())
        return ::LoadLibraryExW(path.c_str(), nullptr,
                                LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

void RestrictDllSearch() {
    if (HasSearchFlags()) {
        const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        const auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
        if (set(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32) != 0)
            return;
    }
    // At least the current folder leaves the search.
    ::SetDllDirectoryW(L"");
}

std::string ProgramPath() {
    return Utf8(ModulePath());
}

std::string ProgramFolder() {
    return Utf8(ModuleFolder());
}

HMODULE LoadSystemLibrary(const char* fileName) {
    const std::wstring name = Wide(fileName);
    if (HasSearchFlags())
        return ::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::wstring folder = SystemFolder();
    if (folder.empty())
        return nullptr;
    return ::LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr,
                            LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadProgramLibrary(const std::string& fileName, DWORD& error) {
    error = ERROR_MOD_NOT_FOUND;
    const std::wstring name = Wide(fileName);
    const std::wstring own = ModuleFolder();
    if (!own.empty()) {
        if (HMODULE module = LoadByPath(own + L"\\" + name))
            return module;
        error = ::GetLastError();
        // A copy that is there but cannot be loaded is reported as it is,
        // rather than silently replaced by another one.
        if (!NotThere(error))
            return nullptr;
    }
    const std::wstring system = SystemFolder();
    if (system.empty())
        return nullptr;
    if (HMODULE module = LoadByPath(system + L"\\" + name))
        return module;
    // The program's folder is where the library belongs: say it is missing there.
    const DWORD systemError = ::GetLastError();
    if (!NotThere(systemError))
        error = systemError;
    return nullptr;
}

} // namespace pocketry::platform::win32
