#include "platform/win32/ShellLinkLibrary.h"

#include "platform/win32/Libraries.h"

#include <optional>
#include <string>

namespace pocketry::platform::win32 {

namespace {

// The library's functions: stdcall, a 32-bit result out. The wide ones take
// UTF-16; the narrow ones, all an older copy of the library has, take text
// in the ANSI code page.
using Fn1 = LONG(WINAPI*)(const char*);
using Fn2 = LONG(WINAPI*)(const char*, const char*);
using Fn4 = LONG(WINAPI*)(const char*, const char*, const char*, const char*);
using Fn1W = LONG(WINAPI*)(const wchar_t*);
using Fn2W = LONG(WINAPI*)(const wchar_t*, const wchar_t*);
using Fn4W = LONG(WINAPI*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*);

// GetProcAddress hands back a generic function pointer; the library's
// contract fixes the real signature.
template <typename Fn> Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// A text for a narrow function: in the ANSI code page, exactly. "Best fit"
// would turn a character the code page lacks into a look-alike (a full-width
// reverse solidus into "\"), and a shortcut would then point somewhere else;
// such a text is refused instead.
std::optional<std::string> ToAnsiCodePage(const std::string& utf8) {
    const std::wstring wide = Wide(utf8);
    if (wide.empty())
        return std::string();
    const int units = static_cast<int>(wide.size());
    // A UTF-8 code page holds every character, and takes neither the flag
    // nor the default-character check.
    const bool utf8CodePage = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8CodePage ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const check = utf8CodePage ? nullptr : &usedDefault;
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, flags, wide.data(), units, nullptr, 0, nullptr, check);
    if (bytes <= 0 || usedDefault)
        return std::nullopt;
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    if (::WideCharToMultiByte(CP_ACP, flags, wide.data(), units, narrow.data(), bytes, nullptr,
                              check) != bytes ||
        usedDefault)
        return std::nullopt;
    return narrow;
}

// Every text for a narrow function, or the failure that tells why not.
template <std::size_t N>
Status ToAnsiCodePage(const std::string* const (&texts)[N], std::string (&narrow)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        std::optional<std::string> converted = ToAnsiCodePage(*texts[i]);
        if (!converted)
            return StatusFrom(ERROR_NO_UNICODE_TRANSLATION);
        narrow[i] = std::move(*converted);
    }
    return Status::Ok();
}

} // namespace

bool ShellLinkLibrary::Load(Status& status) {
    if (library_)
        return true;
    // A failed load is tried again next time: the file may appear later.
    DWORD error = ERROR_SUCCESS;
    library_.reset(LoadProgramLibrary(fileName_, error));
    if (!library_) {
        status = StatusFrom(error != ERROR_SUCCESS ? error : ERROR_MOD_NOT_FOUND);
        return false;
    }
    return true;
}

FARPROC ShellLinkLibrary::FindWide(const char* name, int argumentBytes) {
    const std::string wide = std::string(name) + "W";
    if (FARPROC proc = ::GetProcAddress(library_.get(), wide.c_str()))
        return proc;
    const std::string decorated = "_" + wide + "@" + std::to_string(argumentBytes);
    return ::GetProcAddress(library_.get(), decorated.c_str());
}

FARPROC ShellLinkLibrary::Find(const char* name, int argumentBytes, Status& status) {
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
    if (!Load(status))
        return status;
    if (const FARPROC wide = FindWide("fCreateShellFolder", 4)) {
        result = As<Fn1W>(wide)(Wide(group).c_str());
        return Status::Ok();
    }
    const FARPROC proc = Find("fCreateShellFolder", 4, status);
    if (proc == nullptr)
        return status;
    std::string narrow[1];
    if (status = ToAnsiCodePage({&group}, narrow); !status.ok())
        return status;
    result = As<Fn1>(proc)(narrow[0].c_str());
    return Status::Ok();
}

Status ShellLinkLibrary::fCreateShellLink(const std::string& group, const std::string& link,
                                          const std::string& target, const std::string& arguments,
                                          std::int32_t& result) {
    Status status;
    if (!Load(status))
        return status;
    if (const FARPROC wide = FindWide("fCreateShellLink", 16)) {
        result = As<Fn4W>(wide)(Wide(group).c_str(), Wide(link).c_str(), Wide(target).c_str(),
                                Wide(arguments).c_str());
        return Status::Ok();
    }
    const FARPROC proc = Find("fCreateShellLink", 16, status);
    if (proc == nullptr)
        return status;
    std::string narrow[4];
    if (status = ToAnsiCodePage({&group, &link, &target, &arguments}, narrow); !status.ok())
        return status;
    result =
        As<Fn4>(proc)(narrow[0].c_str(), narrow[1].c_str(), narrow[2].c_str(), narrow[3].c_str());
    return Status::Ok();
}

Status ShellLinkLibrary::fRemoveShellLink(const std::string& group, const std::string& link,
                                          std::int32_t& result) {
    Status status;
    if (!Load(status))
        return status;
    if (const FARPROC wide = FindWide("fRemoveShellLink", 8)) {
        result = As<Fn2W>(wide)(Wide(group).c_str(), Wide(link).c_str());
        return Status::Ok();
    }
    const FARPROC proc = Find("fRemoveShellLink", 8, status);
    if (proc == nullptr)
        return status;
    std::string narrow[2];
    if (status = ToAnsiCodePage({&group, &link}, narrow); !status.ok())
        return status;
    result = As<Fn2>(proc)(narrow[0].c_str(), narrow[1].c_str());
    return Status::Ok();
}

} // namespace pocketry::platform::win32
