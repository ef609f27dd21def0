#pragma once
// Whether a file or a folder exists, and how a folder and a name are joined.

#include <string>

namespace pocketry {
class App;

namespace FileFolderExists_ {

// True when a search for the path finds something (a folder, or a pattern
// that matches anything, counts); false for an empty or all-blank path.
bool FileExists(App& app, const std::string& Path);
// The same for a folder path that may end in "\".
bool FolderExists(App& app, std::string Path);

// `Folder` and `Name` with one "\" between them, added only when the folder
// does not end in one already.
std::string JoinFolder(const std::string& Folder, const std::string& Name);
// The text without the spaces around it.
std::string TrimSpaces(const std::string& text);

} // namespace FileFolderExists_
} // namespace pocketry
