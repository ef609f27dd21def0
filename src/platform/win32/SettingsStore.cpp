#include "platform/win32/SettingsStore.h"

#include <vector>

namespace pocketry::platform::win32 {

namespace {

// Empty names would address the parent key or its unnamed value instead of
// the setting asked for.
bool NamesValid(const std::string& appName, const std::string& section, const std::string& key) {
    return !appName.empty() && !section.empty() && !key.empty();
}

} // namespace

std::string SettingsStore::KeyPath(const std::string& appName, const std::string& section) {
    return "Software\\VB and VBA Program Settings\\" + appName + "\\" + section;
}

Status SettingsStore::GetSetting(const std::string& appName, const std::string& section,
                                 const std::string& key, const std::string& defaultValue,
                                 std::string& value) {
    value = defaultValue;
    if (!NamesValid(appName, section, key))
        return StatusFrom(ERROR_INVALID_PARAMETER);

    HKEY raw = nullptr;
    LSTATUS rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(KeyPath(appName, section)).c_str(), 0,
                                 KEY_QUERY_VALUE, &raw);
    if (rc == ERROR_FILE_NOT_FOUND)
        return Status::Ok();
    if (rc != ERROR_SUCCESS)
        return StatusFrom(static_cast<DWORD>(rc));
    const OwnedKey hkey(raw);

    // The value may grow between asking its size and reading it: ask again.
    const std::wstring name = Wide(key);
    std::vector<wchar_t> data;
    DWORD type = 0;
    for (;;) {
        DWORD size = 0;
        rc = ::RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND)
            return Status::Ok();
        if (rc != ERROR_SUCCESS)
            return StatusFrom(static_cast<DWORD>(rc));
        // Sizes are in bytes; an odd size still fits, with room for a null.
        data.assign(size / sizeof(wchar_t) + 2u, L'\0');
        rc = ::RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc == ERROR_FILE_NOT_FOUND)
            return Status::Ok();
        if (rc != ERROR_SUCCESS)
            return StatusFrom(static_cast<DWORD>(rc));
        data.resize(size / sizeof(wchar_t));
        break;
    }

    // Settings are text. A value of another type was not written as a setting:
    // it reads as absent, as the classic reader does.
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return Status::Ok();
    // Stored text may or may not carry its terminating null.
    std::wstring text(data.begin(), data.end());
    if (const auto end = text.find(L'\0'); end != std::wstring::npos)
        text.resize(end);
    if (type == REG_EXPAND_SZ) {
        const DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
        if (needed > 0) {
            std::wstring expanded(needed, L'\0');
            const DWORD got = ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
            if (got > 0 && got <= needed) {
                expanded.resize(got - 1);
                text = std::move(expanded);
            }
        }
    }
    value = Utf8(text);
    return Status::Ok();
}

Status SettingsStore::SaveSetting(const std::string& appName, const std::string& section,
                                  const std::string& key, const std::string& value) {
    if (!NamesValid(appName, section, key))
        return StatusFrom(ERROR_INVALID_PARAMETER);
    HKEY raw = nullptr;
    LSTATUS rc =
        ::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(KeyPath(appName, section)).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &raw, nullptr);
    if (rc != ERROR_SUCCESS)
        return StatusFrom(static_cast<DWORD>(rc));
    const OwnedKey hkey(raw);
    // Text, REG_SZ, with its terminating null.
    const std::wstring text = Wide(value);
    rc = ::RegSetValueExW(hkey.get(), Wide(key).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS)
        return StatusFrom(static_cast<DWORD>(rc));
    return Status::Ok();
}

} // namespace pocketry::platform::win32
