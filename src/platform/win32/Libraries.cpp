#include "platform/win32/Libraries.h"

#include <vector>

namespace pocketry::platform::win32 {

namespace {

// Both exist from Windows 8, and on Windows 7 with its DLL-search update;
// without them the older calls below do what can be done.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

bool HasSearchFlags() {
    static const bool has = [] {
        const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        return kernel != nullptr && ::GetProcAddress(kernel, "SetDefaultDllDirectories") != nullptr;
    }();
    return has;
}

std::string SystemFolder() {
    char buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::string(buffer, length);
}

bool NotThere(DWORD error) {
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND;
}

// A DLL by its full path; the DLLs it needs in turn come from its own folder
// and the system folder.
HMODULE LoadByPath(const std::string& path) {
    if (HasSearchFlags())
        return ::LoadLibraryExA(path.c_str(), nullptr,
                                LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

void RestrictDllSearch() {
    if (HasSearchFlags()) {
        const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        const auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
        if (set(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32) != 0)
            return;
    }
    // At least the current folder leaves the search.
    ::SetDllDirectoryA("");
}

std::string ProgramPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramFolder() {
    const std::string path = ProgramPath();
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

HMODULE LoadSystemLibrary(const char* fileName) {
    if (HasSearchFlags())
        return ::LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::string folder = SystemFolder();
    if (folder.empty())
        return nullptr;
    return ::LoadLibraryExA((folder + "\\" + fileName).c_str(), nullptr,
                            LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadProgramLibrary(const std::string& fileName, DWORD& error) {
    error = ERROR_MOD_NOT_FOUND;
    const std::string own = ProgramFolder();
    if (!own.empty()) {
        if (HMODULE module = LoadByPath(own + "\\" + fileName))
            return module;
        error = ::GetLastError();
        // A copy that is there but cannot be loaded is reported as it is,
        // rather than silently replaced by another one.
        if (!NotThere(error))
            return nullptr;
    }
    const std::string system = SystemFolder();
    if (system.empty())
        return nullptr;
    if (HMODULE module = LoadByPath(system + "\\" + fileName))
        return module;
    // The program's folder is where the library belongs: say it is missing there.
    const DWORD systemError = ::GetLastError();
    if (!NotThere(systemError))
        error = systemError;
    return nullptr;
}

} // namespace pocketry::platform::win32
