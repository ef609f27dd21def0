#pragma once
// Where the program's DLLs may come from: its own folder and the system
// folder, never the current folder or PATH (a Downloads folder may hold a
// planted copy of any DLL name).
#include "platform/win32/Win32.h"

#include <string>

namespace pocketry::platform::win32 {

// Restricts the DLL search of the whole process to the program's folder and
// the system folder. Called first thing at start.
void RestrictDllSearch();

// The full path of the running executable, and its folder without a
// trailing backslash; empty when Windows cannot tell.
std::string ProgramPath();
std::string ProgramFolder();

// A system DLL from the system folder only; null with the thread's last
// error set when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// A DLL of the program's own: the copy in the program's folder, else the one
// in the system folder. Null when neither loads; `error` then holds why.
HMODULE LoadProgramLibrary(const std::string& fileName, DWORD& error);

} // namespace pocketry::platform::win32
