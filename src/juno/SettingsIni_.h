#pragma once
// Reading one value of a private profile (INI) file.

#include <string>

namespace pocketry {
class App;

namespace SettingsIni_ {

// A missing file, section or key gives the default; only an error of the
// reader is reported, unless Silent.
std::string GetSettingIni(App& app, const std::string& FileName, const std::string& Section,
                          const std::string& Key, const std::string& Default, bool Silent);

// The Juno.ini that Juno reads: "Juno.ini" (the one in the Windows folder),
// unless the user's VirtualStore holds a copy of it, which a legacy Juno that
// Windows redirects reads and writes instead; then that copy's full path.
std::string JunoIniFile(App& app);

// Juno's root folder from that Juno.ini, without the spaces around it; "" when
// Juno is not installed. A reader error is reported.
std::string JunoRootDir(App& app);

} // namespace SettingsIni_
} // namespace pocketry
