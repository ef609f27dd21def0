#pragma once
// The simulated kernel: a file system with Windows path rules (drive letter,
// "\" or "/", any case; attributes, 8.3 names, files in use, directory
// links with or without a target, final paths, the user's VirtualStore),
// INI files, version resources, sleeping and starting programs.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimClock;

class SimKernel : public platform::Kernel {
  public:
    SimKernel(SimErrors& errors, SimClock& clock);

    void AddFile(const std::string& path, std::uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE);
    void AddDirectory(const std::string& path, std::uint32_t attributes = 0);
    // A directory link: FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT.
    // With a target (a full path), a path through it continues there, as
    // Windows follows a junction or symbolic link, and so does what is planted
    // through it; without one it holds its own planted content.
    void AddDirectoryLink(const std::string& path, const std::string& target = "");
    // Removes a file or a folder with everything in it (a link: the link only).
    void RemoveTree(const std::string& path);
    // Wine's way: a link opened without following links is opened as its
    // target (its attributes and final path are the target's).
    void SetLinksOpenAsTargets(bool wine) { linksOpenAsTargets_ = wine; }
    // Runs before each confined change (SetFileAttributesA, DeleteFileA,
    // RemoveDirectoryA) with its name and path: another program changing the
    // folder between the listing and the deletion.
    void BeforeFileOp(std::function<void(const std::string&, const std::string&)> hook) {
        beforeFileOp_ = std::move(hook);
    }
    // Rewrites what ListBoxDir returns (attribute mask, spec, names): a
    // directory fill that gives what a name-mangling layer would.
    using ListingFilter = std::function<std::vector<std::string>(std::uint32_t, const std::string&,
                                                                 std::vector<std::string>)>;
    void AlterListings(ListingFilter f) { alterListings_ = std::move(f); }
    // %LOCALAPPDATA%\VirtualStore of the simulated user (not created).
    std::string VirtualStoreFolder() const { return localAppData_ + "\\VirtualStore"; }
    bool Exists(const std::string& path) const;
    std::optional<std::uint32_t> Attributes(const std::string& path) const;
    std::vector<std::string> Children(const std::string& folder) const; // long names, sorted
    void SetShortName(const std::string& path, const std::string& shortName);
    void SetInUse(const std::string& path, bool inUse);
    // A version resource; without `fixed`, one that has no fixed part (only
    // strings), which Windows answers with an empty root value.
    void SetVersionInfo(const std::string& path, std::optional<platform::VsFixedFileInfo> fixed);
    // The folder the program runs from; first in the library search order,
    // then the system folder, then the Windows folder.
    void SetAppFolder(const std::string& path);
    const std::string& AppFolder() const { return appFolder_; }
    // The program's file in that folder: "Pocketry.exe" unless set.
    void SetProgramFileName(const std::string& name);
    // Replaces that order for bare library names; empty restores it.
    void SetLibrarySearchPath(std::vector<std::string> folders) {
        librarySearch_ = std::move(folders);
    }
    const std::string& WindowsFolder() const { return windowsFolder_; }
    const std::vector<FileOpCall>& FileOps() const { return fileOps_; }
    // INI files; a name without a folder lives in the Windows folder.
    void SetIniValue(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value);
    void FailIniReads(bool fail) { failIni_ = fail; }
    // Processes: a registered path runs `onStart(showCmd)` when started.
    void RegisterProgram(const std::string& path, std::function<void(int)> onStart);
    void UnregisterProgram(const std::string& path);
    const std::vector<StartProcessCall>& StartProcessCalls() const { return startLog_; }
    const std::vector<std::uint32_t>& Sleeps() const { return sleeps_; }

    // ---- for the other services
    struct FsNode {
        std::string name, shortName; // shortName empty: the long name is 8.3 already
        std::uint32_t attributes = 0;
        bool inUse = false;
        struct Version {
            std::optional<platform::VsFixedFileInfo> fixed;
        };
        std::optional<Version> version;
        std::string linkTarget; // a directory link's target; empty: none
        std::map<std::string, std::unique_ptr<FsNode>> children; // by lower-case long name
        bool IsDirectory() const { return (attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0; }
    };
    struct Resolved {
        FsNode* node;
        FsNode* parent;                  // null for a drive's root
        std::string longPath, shortPath; // the path as given, in long and in short names
        std::string finalPath;           // where it really is, links followed
    };
    // Links on the way are followed; the last one only with `followLast`.
    std::optional<Resolved> Resolve(const std::string& path, bool followLast = false) const;
    // Runs the program registered for the file, if any (the shell starts files too).
    void RunRegistered(const std::string& longPath, int showCmd);

    // ---- platform::Kernel
    void Sleep(std::uint32_t milliseconds) override;
    std::int32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, std::string& value,
                                          std::uint32_t size, const std::string& fileName) override;
    std::unique_ptr<platform::FindHandle> FindFirstFileA(const std::string& fileName) override;
    std::uint32_t GetShortPathNameA(const std::string& longPath, std::string& shortPath,
                                    std::uint32_t size) override;
    std::vector<std::string> ListBoxDir(std::uint32_t attributes,
                                        const std::string& fileSpec) override;
    std::unique_ptr<platform::FolderHandle> OpenFolder(const std::string& path,
                                                       bool followLinks) override;
    bool SetFileAttributesA(const platform::FolderHandle& inside, const std::string& fileName,
                            std::uint32_t attributes) override;
    bool DeleteFileA(const platform::FolderHandle& inside, const std::string& fileName) override;
    bool RemoveDirectoryA(const platform::FolderHandle& inside, const std::string& path) override;
    std::string GetWindowsDirectoryA() override { return windowsFolder_; }
    std::string VirtualStorePath(const std::string& path) override;
    Status StartProcess(const std::string& path, int showCmd) override;
    std::string GetModuleFileNameA() override;
    std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) override;
    bool GetFileVersionInfoA(const std::string& fileName, std::uint32_t handle, std::uint32_t size,
                             std::vector<std::uint8_t>& data) override;
    bool VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                        std::vector<std::uint8_t>& value) override;

  private:
    FsNode* MakeNode(const std::string& path, bool directory, std::uint32_t attributes);
    std::optional<Resolved> ResolveFrom(const std::string& path, bool followLast, int depth) const;
    // A confined change's open: the entry itself (Wine's way: its target),
    // when its final path lies below the folder's; logged with its outcome.
    std::optional<Resolved> OpenInside(const char* function, const platform::FolderHandle& inside,
                                       const std::string& path);
    std::vector<platform::FindData> Matches(const std::string& spec) const;
    std::optional<std::string> SearchLibrary(const std::string& fileName) const;
    std::string IniPath(const std::string& file) const;

    SimErrors& errors_;
    SimClock& clock_;
    std::map<char, std::unique_ptr<FsNode>> drives_;
    std::string programFileName_ = "Pocketry.exe";
    std::string appFolder_, windowsFolder_ = "C:\\WINDOWS", systemFolder_ = "C:\\WINDOWS\\system32";
    std::vector<std::string> librarySearch_;
    std::vector<FileOpCall> fileOps_;
    bool linksOpenAsTargets_ = false;
    std::function<void(const std::string&, const std::string&)> beforeFileOp_;
    ListingFilter alterListings_;
    std::string localAppData_ = "C:\\Users\\User\\AppData\\Local";
    std::map<std::string, std::map<std::string, std::string>> ini_; // path → "section\key" → value
    bool failIni_ = false;
    std::map<std::string, std::function<void(int)>> programs_; // lower-case long path
    std::vector<StartProcessCall> startLog_;
    std::vector<std::uint32_t> sleeps_;
};

} // namespace pocketry::sim
