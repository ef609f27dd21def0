#include "platform/win32/Win32.h"

#include <cstdio>
#include <exception>

namespace pocketry::platform::win32 {

std::string ErrorText(DWORD error) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (buffer != nullptr) {
        text.assign(buffer, length);
        ::LocalFree(buffer);
    }
    // The system's texts end with ".\r\n" (some with a space before the line
    // break); messages put the text inside their own sentence.
    while (!text.empty() &&
           (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty())
        text = "Error " + std::to_string(error);
    return text;
}

Status StatusFrom(DWORD error) {
    return Status::Fail(static_cast<std::uint32_t>(error), ErrorText(error));
}

Status LastErrorStatus() {
    const DWORD error = ::GetLastError();
    // A failing call that left no error number still failed.
    return StatusFrom(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
}

void ReportCaught(const char* where) noexcept {
    char line[512];
    try {
        throw;
    } catch (const std::exception& e) {
        std::snprintf(line, sizeof line, "Pocketry: exception stopped at %s: %s\n", where,
                      e.what());
    } catch (...) {
        std::snprintf(line, sizeof line, "Pocketry: exception stopped at %s\n", where);
    }
    ::OutputDebugStringA(line);
}

} // namespace pocketry::platform::win32
