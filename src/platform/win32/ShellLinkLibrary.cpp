#include "platform/win32/ShellLinkLibrary.h"

#include "platform/win32/Libraries.h"

#include <string>

namespace pocketry::platform::win32 {

namespace {

// The library's functions: stdcall, ANSI strings in, a 32-bit result out.
using Fn1 = LONG(WINAPI*)(const char*);
using Fn2 = LONG(WINAPI*)(const char*, const char*);
using Fn4 = LONG(WINAPI*)(const char*, const char*, const char*, const char*);

// GetProcAddress hands back a generic function pointer; the library's
// contract fixes the real signature.
template <typename Fn> Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

} // namespace

FARPROC ShellLinkLibrary::Find(const char* name, int argumentBytes, Status& status) {
    if (!library_) {
        // A failed load is tried again next time: the file may appear later.
        DWORD error = ERROR_SUCCESS;
        library_.reset(LoadProgramLibrary(fileName_, error));
        if (!library_) {
            status = StatusFrom(error != ERROR_SUCCESS ? error : ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
    }
    if (FARPROC proc = ::GetProcAddress(library_.get(), name))
        return proc;
    const DWORD error = ::GetLastError();
    std::string decorated = "_";
    decorated.append(name).append("@").append(std::to_string(argumentBytes));
    if (FARPROC proc = ::GetProcAddress(library_.get(), decorated.c_str()))
        return proc;
    status = StatusFrom(error != ERROR_SUCCESS ? error : ERROR_PROC_NOT_FOUND);
    return nullptr;
}

Status ShellLinkLibrary::fCreateShellFolder(const std::string& group, std::int32_t& result) {
    Status status;
    const FARPROC proc = Find("fCreateShellFolder", 4, status);
    if (proc == nullptr)
        return status;
    result = As<Fn1>(proc)(group.c_str());
    return Status::Ok();
}

Status ShellLinkLibrary::fCreateShellLink(const std::string& group, const std::string& link,
                                          const std::string& target, const std::string& arguments,
                                          std::int32_t& result) {
    Status status;
    const FARPROC proc = Find("fCreateShellLink", 16, status);
    if (proc == nullptr)
        return status;
    result = As<Fn4>(proc)(group.c_str(), link.c_str(), target.c_str(), arguments.c_str());
    return Status::Ok();
}

Status ShellLinkLibrary::fRemoveShellLink(const std::string& group, const std::string& link,
                                          std::int32_t& result) {
    Status status;
    const FARPROC proc = Find("fRemoveShellLink", 8, status);
    if (proc == nullptr)
        return status;
    result = As<Fn2>(proc)(group.c_str(), link.c_str());
    return Status::Ok();
}

} // namespace pocketry::platform::win32
