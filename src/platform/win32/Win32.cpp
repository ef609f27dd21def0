#include "platform/win32/Win32.h"

#include <cwchar>
#include <exception>

namespace pocketry::platform::win32 {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8(const wchar_t* utf16, std::size_t length) {
    if (utf16 == nullptr || length == 0)
        return {};
    const int size = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, utf16, size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, utf16, size, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string Utf8(const wchar_t* utf16) {
    return utf16 == nullptr ? std::string() : Utf8(utf16, std::wcslen(utf16));
}

std::string ErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (buffer != nullptr) {
        text = Utf8(buffer, length);
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
    // One line for the debugger, cut at the buffer's end; put together by hand
    // because the printf family's engine would be the only user of it.
    char line[512];
    std::size_t used = 0;
    const auto add = [&](const char* text) {
        for (; *text != '\0' && used + 1 < sizeof line; ++text)
            line[used++] = *text;
    };
    add("Pocketry: exception stopped at ");
    add(where);
    try {
        throw;
    } catch (const std::exception& e) {
        add(": ");
        add(e.what());
    } catch (...) {
    }
    add("\n");
    line[used] = '\0';
    ::OutputDebugStringA(line);
}

} // namespace pocketry::platform::win32
