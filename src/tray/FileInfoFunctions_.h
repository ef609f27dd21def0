#pragma once
// Opening a file or web address with its associated program, and reading a
// file's version number.

#include <string>

namespace pocketry {
class App;

namespace FileInfoFunctions_ {

// True when the shell started the open; unless Quiet, failures are reported.
bool OpenFileOrAddress(App& app, std::string Target, bool Minimized, bool Quiet);

// "a.b.c.d", "Unknown" without a version resource, "" for a blank name.
std::string GetFileVersion(App& app, std::string FileName);

} // namespace FileInfoFunctions_
} // namespace pocketry
