#include "platform/win32/SingleInstance.h"

#include <sddl.h>

#include <cstring>
#include <vector>

namespace pocketry::platform::win32 {

namespace {

// The current user's security identifier as text ("S-1-5-21-..."); the user
// name when the token cannot be read.
std::string UserIdentity() {
    HANDLE rawToken = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken) != 0) {
        const OwnedHandle token(rawToken);
        DWORD size = 0;
        ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        if (size > 0) {
            std::vector<BYTE> buffer(size);
            if (::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) != 0) {
                TOKEN_USER user{};
                std::memcpy(&user, buffer.data(), sizeof user);
                wchar_t* text = nullptr;
                if (::ConvertSidToStringSidW(user.User.Sid, &text) != 0 && text != nullptr) {
                    std::string sid = Utf8(text);
                    ::LocalFree(text);
                    return sid;
                }
            }
        }
    }
    wchar_t name[257] = {};
    DWORD length = sizeof name / sizeof name[0];
    if (::GetUserNameW(name, &length) != 0)
        return Utf8(name);
    return "user";
}

} // namespace

std::string SingleInstance::MutexName(const std::string& name) {
    // A backslash would be read as a namespace separator.
    std::string id = "Local\\" + name + ".SingleInstance." + UserIdentity();
    for (std::size_t i = 6; i < id.size(); ++i)
        if (id[i] == '\\')
            id[i] = '_';
    return id;
}

bool SingleInstance::AnotherInstanceRunning(const std::string& name) {
    // Asking again for the name this process holds finds only itself.
    if (mutex_ && name == claimed_)
        return false;
    const std::string full = MutexName(name);
    ::SetLastError(ERROR_SUCCESS);
    OwnedHandle handle(::CreateMutexW(nullptr, FALSE, Wide(full).c_str()));
    const DWORD error = ::GetLastError();
    if (!handle)
        // A mutex of that name we may not open belongs to a running instance.
        return error == ERROR_ACCESS_DENIED;
    if (error == ERROR_ALREADY_EXISTS)
        return true;
    mutex_ = std::move(handle);
    claimed_ = name;
    return false;
}

} // namespace pocketry::platform::win32
