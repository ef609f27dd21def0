#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

class Kernel final : public platform::Kernel {
  public:
    Kernel();
    ~Kernel() override;
    Kernel(const Kernel&) = delete;
    Kernel& operator=(const Kernel&) = delete;

    void Sleep(std::uint32_t milliseconds) override;
    std::int32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, std::string& value,
                                          std::uint32_t size, const std::string& fileName) override;
    std::unique_ptr<FindHandle> FindFirstFileA(const std::string& fileName) override;
    std::uint32_t GetShortPathNameA(const std::string& longPath, std::string& shortPath,
                                    std::uint32_t size) override;
    // Made by a hidden list box of Windows' own, sorted as such a list box sorts.
    std::vector<std::string> ListBoxDir(std::uint32_t attributes,
                                        const std::string& fileSpec) override;
    // SafeDelete.cpp: the confined changes of the ads cleanup and VirtualStore.
    std::unique_ptr<FolderHandle> OpenFolder(const std::string& path, bool followLinks) override;
    bool SetFileAttributesA(const FolderHandle& inside, const std::string& fileName,
                            std::uint32_t attributes) override;
    bool DeleteFileA(const FolderHandle& inside, const std::string& fileName) override;
    bool RemoveDirectoryA(const FolderHandle& inside, const std::string& path) override;
    std::string GetWindowsDirectoryA() override;
    std::string VirtualStorePath(const std::string& path) override;
    Status StartProcess(const std::string& path, int showCmd) override;
    std::string GetModuleFileNameA() override;
    std::uint32_t GetFileVersionInfoSizeA(const std::string& fileName) override;
    bool GetFileVersionInfoA(const std::string& fileName, std::uint32_t handle, std::uint32_t size,
                             std::vector<std::uint8_t>& data) override;
    // String values are copied without their terminating null.
    bool VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                        std::vector<std::uint8_t>& value) override;

  private:
    // version.dll is not one of the DLLs Windows always takes from the system
    // folder, so it is loaded from there by hand, on first use, rather than
    // imported (an imported one could be a copy beside the program).
    struct VersionFunctions;
    const VersionFunctions* Version();

    std::unique_ptr<VersionFunctions> version_;
    // One hidden list box for every directory fill, emptied before each: a
    // window made and destroyed per fill cost more than the fill itself.
    OwnedWindow listBox_;
};

} // namespace pocketry::platform::win32
