// vb5stkit-check [path\vb5stkit.dll]: loads the library as Pocketry does (by
// plain export names) and runs its three functions, narrow and wide, against
// the real shell of this Windows (or Wine prefix), reading each shortcut back.
// Prints one line a check; exit code 0 when every check held. It leaves no
// shortcut behind. The e2e runner runs it beside the contract suite.

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

namespace {

using Fn1 = LONG(WINAPI*)(LPCSTR);
using Fn2 = LONG(WINAPI*)(LPCSTR, LPCSTR);
using Fn4 = LONG(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
using Fn1W = LONG(WINAPI*)(LPCWSTR);
using Fn2W = LONG(WINAPI*)(LPCWSTR, LPCWSTR);
using Fn4W = LONG(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);

template <typename Fn> Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

int failures = 0;
int passes = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    (ok ? passes : failures)++;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ShellFolderPath(int csidl) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path
                                                                                            : "";
}

// The shortcut's path, arguments and working directory, read as any shell reader would.
struct LinkText {
    std::string path, arguments, directory;
};

bool ReadLink(const std::string& file, LinkText& text) {
    IShellLinkA* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persist = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)));
    if (ok) {
        wchar_t wide[MAX_PATH] = {};
        ::MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        char buffer[MAX_PATH] = {};
        ok = SUCCEEDED(persist->Load(wide, STGM_READ)) &&
             SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH));
        text.path = buffer;
        buffer[0] = '\0';
        ok = ok && SUCCEEDED(link->GetArguments(buffer, MAX_PATH));
        text.arguments = buffer;
        buffer[0] = '\0';
        ok = ok && SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH));
        text.directory = buffer;
        persist->Release();
    }
    link->Release();
    return ok;
}

// The shortcut's target as the wide reader gives it: its path, and the path of
// its item ID list.
bool ReadLinkPathW(const std::wstring& file, std::wstring& path, std::wstring& listed) {
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persist = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)));
    if (ok) {
        wchar_t buffer[MAX_PATH] = {};
        ok = SUCCEEDED(persist->Load(file.c_str(), STGM_READ)) &&
             SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH));
        path = buffer;
        LPITEMIDLIST list = nullptr;
        buffer[0] = L'\0';
        if (ok && SUCCEEDED(link->GetIDList(&list)) && list != nullptr) {
            ::SHGetPathFromIDListW(list, buffer);
            ::CoTaskMemFree(list);
        }
        listed = buffer;
        persist->Release();
    }
    link->Release();
    return ok;
}

bool IsWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring ShellFolderPathW(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path
                                                                                            : L"";
}

// Wide checks: a target in a folder named in a script the ANSI code page
// lacks reaches the shortcut whole, and full-width look-alikes of path syntax
// are plain characters of a name.
void CheckWide(HMODULE library) {
    const auto createFolder = As<Fn1W>(::GetProcAddress(library, "fCreateShellFolderW"));
    const auto createLink = As<Fn4W>(::GetProcAddress(library, "fCreateShellLinkW"));
    const auto removeLink = As<Fn2W>(::GetProcAddress(library, "fRemoveShellLinkW"));
    Check(createFolder && createLink && removeLink, "three wide exports found by plain name");
    if (!createFolder || !createLink || !removeLink)
        return;
    const std::wstring startup = ShellFolderPathW(CSIDL_STARTUP);
    const std::wstring group = startup.substr(startup.find_last_of(L'\\') + 1);
    const std::wstring lnk = startup + L"\\Pocketry.lnk";
    // A real program in a folder named "テスト" in the temporary folder, and a
    // name with U+FF0E U+FF0E U+FF3C.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    ::GetLongPathNameW(temp, temp, MAX_PATH); // the item ID list names it in long form
    const std::wstring folder = std::wstring(temp) + L"\u30C6\u30B9\u30C8";
    const std::wstring target = folder + L"\\Pocketry.exe";
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    Check(::CopyFileW(self, target.c_str(), FALSE) != 0, "a program in a CJK folder to link to");
    const std::wstring fullWidth = L"\uFF0E\uFF0E\uFF3CPocketry";
    Check(createFolder(group.c_str()) == 1, "fCreateShellFolderW(StartUp group) = 1");
    Check(createLink(group.c_str(), L"Pocketry", target.c_str(), L"") == 1,
          "fCreateShellLinkW(StartUp group, Pocketry, %TEMP%\\<CJK>\\Pocketry.exe, \"\") = 1");
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring path, listed;
    Check(ReadLinkPathW(lnk, path, listed) && listed == target,
          "IShellLinkW: the item ID list leads to the CJK target whole");
    // Wine writes the path into the .lnk in the ANSI code page only.
    Check(path == target || IsWine(), "IShellLinkW::GetPath gives the CJK target whole");
    Check(createLink(group.c_str(), fullWidth.c_str(), target.c_str(), L"") == 1 &&
              ::GetFileAttributesW((startup + L"\\" + fullWidth + L".lnk").c_str()) !=
                  INVALID_FILE_ATTRIBUTES &&
              ::GetFileAttributesW((startup + L"\\..\\..\\Pocketry.lnk").c_str()) ==
                  INVALID_FILE_ATTRIBUTES,
          "a full-width \"..\\\" link name is one name in the group");
    Check(removeLink(group.c_str(), fullWidth.c_str()) == 1 &&
              removeLink(group.c_str(), L"Pocketry") == 1 &&
              ::GetFileAttributesW(lnk.c_str()) == INVALID_FILE_ATTRIBUTES,
          "fRemoveShellLinkW removes both");
    ::CoUninitialize();
    ::DeleteFileW(target.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace

int main(int argc, char** argv) {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dll = argc > 1 ? argv[1] : std::string(self);
    if (argc <= 1)
        dll = dll.substr(0, dll.find_last_of('\\') + 1) + "vb5stkit.dll";
    HMODULE library = ::LoadLibraryA(dll.c_str());
    Check(library != nullptr, "LoadLibrary " + dll);
    if (library == nullptr)
        return 1;
    const auto createFolder = As<Fn1>(::GetProcAddress(library, "fCreateShellFolder"));
    const auto createLink = As<Fn4>(::GetProcAddress(library, "fCreateShellLink"));
    const auto removeLink = As<Fn2>(::GetProcAddress(library, "fRemoveShellLink"));
    Check(createFolder && createLink && removeLink, "three exports found by plain name");
    if (!createFolder || !createLink || !removeLink)
        return 1;

    const std::string startup = ShellFolderPath(CSIDL_STARTUP);
    const std::string programs = ShellFolderPath(CSIDL_PROGRAMS);
    const std::string group = startup.substr(startup.find_last_of('\\') + 1);
    std::printf("StartUp folder: %s (group \"%s\")\nPrograms folder: %s\n", startup.c_str(),
                group.c_str(), programs.c_str());
    const std::string target = self;
    const std::string targetFolder = target.substr(0, target.find_last_of('\\'));
    const std::string lnk = startup + "\\Pocketry.lnk";

    // COM not yet initialised on this thread: the library must leave it so.
    Check(createFolder(group.c_str()) == 1, "fCreateShellFolder(StartUp group) = 1");
    Check(createLink(group.c_str(), "Pocketry", target.c_str(), "") == 1,
          "fCreateShellLink(StartUp group, Pocketry, self, \"\") = 1");
    const HRESULT after = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Check(after == S_OK, "COM left uninitialised as found (CoInitializeEx after the call = S_OK)");
    Check(Exists(lnk), "shortcut file " + lnk);

    LinkText text;
    Check(ReadLink(lnk, text), "IPersistFile::Load + GetPath/GetArguments/GetWorkingDirectory");
    std::printf("  path=\"%s\" arguments=\"%s\" directory=\"%s\"\n", text.path.c_str(),
                text.arguments.c_str(), text.directory.c_str());
    Check(lstrcmpiA(text.path.c_str(), target.c_str()) == 0, "path is the target");
    Check(text.arguments.empty(), "arguments empty");
    Check(lstrcmpiA(text.directory.c_str(), targetFolder.c_str()) == 0,
          "working directory is the target's folder");

    // Again, with COM already up in this thread: the shortcut is replaced.
    Check(createLink(group.c_str(), "Pocketry", target.c_str(), "--again") == 1,
          "fCreateShellLink again (replaces) = 1");
    Check(ReadLink(lnk, text) && text.arguments == "--again",
          "replaced shortcut has new arguments");
    ::CoUninitialize();

    Check(removeLink(group.c_str(), "Pocketry") == 1, "fRemoveShellLink = 1");
    Check(!Exists(lnk), "shortcut file gone");
    Check(removeLink(group.c_str(), "Pocketry") == 0, "second fRemoveShellLink = 0");

    // A group of another name lives under Programs and is made on demand.
    const std::string other = programs + "\\Pocketry Check";
    Check(createLink("Pocketry Check", "Pocketry", target.c_str(), "") == 0,
          "fCreateShellLink into a missing group = 0");
    Check(createFolder("Pocketry Check") == 1 && Exists(other),
          "fCreateShellFolder makes " + other);
    Check(createLink("Pocketry Check", "Pocketry", target.c_str(), "") == 1 &&
              Exists(other + "\\Pocketry.lnk"),
          "fCreateShellLink into it = 1");
    Check(removeLink("POCKETRY CHECK", "Pocketry") == 1 && !Exists(other + "\\Pocketry.lnk"),
          "fRemoveShellLink with the group in other case = 1");
    ::RemoveDirectoryA(other.c_str());

    // A StartUp group written in other case still means the StartUp folder.
    std::string upper = group;
    ::CharUpperA(upper.data());
    Check(createLink(upper.c_str(), "Pocketry", target.c_str(), "") == 1 && Exists(lnk),
          "group \"" + upper + "\" maps to the StartUp folder");
    removeLink(group.c_str(), "Pocketry");

    // Refused names touch nothing.
    const std::string parent = startup.substr(0, startup.find_last_of('\\'));
    Check(createFolder("") == 0 && createFolder("..") == 0 && createFolder("a\\b") == 0 &&
              createFolder("C:x") == 0 && createFolder(" ") == 0,
          "fCreateShellFolder refuses \"\", \"..\", \"a\\b\", \"C:x\", \" \"");
    Check(createLink(group.c_str(), "..\\Evil", target.c_str(), "") == 0 &&
              createLink(group.c_str(), "", target.c_str(), "") == 0 &&
              createLink("..", "Evil", target.c_str(), "") == 0,
          "fCreateShellLink refuses \"..\\Evil\", \"\", group \"..\"");
    Check(!Exists(parent + "\\Evil.lnk") && !Exists(startup + "\\.lnk") &&
              !Exists(programs + "\\Evil.lnk") && !Exists(programs + "\\a"),
          "refused calls wrote nothing");
    Check(removeLink(group.c_str(), "..\\Pocketry") == 0,
          "fRemoveShellLink refuses \"..\\Pocketry\"");

    CheckWide(library);

    // The version that Pocketry's support-file message shows.
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(dll.c_str(), &handle);
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    const bool version =
        size != 0 && ::GetFileVersionInfoA(dll.c_str(), 0, size, block.data()) &&
        ::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) &&
        fixed != nullptr;
    Check(version, "GetFileVersionInfoA/VerQueryValueA read the version");
    if (version)
        std::printf("  version %u.%u.%u.%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)},
                    unsigned{LOWORD(fixed->dwFileVersionMS)},
                    unsigned{HIWORD(fixed->dwFileVersionLS)},
                    unsigned{LOWORD(fixed->dwFileVersionLS)});

    ::FreeLibrary(library);
    std::printf("vb5stkit-check: %d checks held, %d failed\n", passes, failures);
    return failures == 0 ? 0 : 1;
}
