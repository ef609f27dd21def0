#pragma once
// The simulated shell (tray icons, the taskbar, shell execute, the StartUp
// folder) and the shell-link library (groups and links in memory).
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimWindows;
class SimKernel;

class SimShellLinkLibrary : public platform::ShellLinkLibrary {
  public:
    void SetShellLinkLibraryMissing(bool missing) { linkLibraryMissing_ = missing; }
    void SetShellLinkFunctionMissing(const std::string& function, bool missing);
    // Forces a function's result (0 for a failure); nullopt: normal behaviour.
    void SetShellLinkResult(const std::string& function, std::optional<std::int32_t> result);
    bool ShellGroupExists(const std::string& group) const;
    bool ShellLinkExists(const std::string& group, const std::string& link) const;
    std::string ShellLinkTarget(const std::string& group, const std::string& link) const;
    const std::vector<ShellLinkCall>& ShellLinkCalls() const { return linkLog_; }

    // ---- for the shell
    void AddGroup(const std::string& group);

    // ---- platform::ShellLinkLibrary
    Status fCreateShellFolder(const std::string& group, std::int32_t& result) override;
    Status fCreateShellLink(const std::string& group, const std::string& link,
                            const std::string& target, const std::string& arguments,
                            std::int32_t& result) override;
    Status fRemoveShellLink(const std::string& group, const std::string& link,
                            std::int32_t& result) override;

  private:
    Status LinkCall(const std::string& function, std::vector<std::string> args,
                    std::int32_t& result, const std::function<std::int32_t()>& body);

    bool linkLibraryMissing_ = false;
    std::set<std::string> linkFunctionsMissing_;
    std::map<std::string, std::int32_t> linkResults_;
    std::map<std::string, std::map<std::string, std::string>> shellLinks_; // group → link → target
    std::vector<ShellLinkCall> linkLog_;
};

class SimShell : public platform::Shell {
  public:
    SimShell(SimWindows& windows, SimKernel& kernel, SimShellLinkLibrary& links);

    std::optional<platform::NotifyIconDataA> TrayIcon(Hwnd hWnd, std::uint32_t uID) const;
    std::size_t TrayIconCount() const { return tray_.size(); }
    void LoseTrayIcons() { tray_.clear(); }
    // Explorer restarting: the icons are lost and every top-level window is
    // sent the registered "TaskbarCreated" message. Windows sends the same
    // message when only the display's scale changed: then the icons stay.
    void RecreateTaskbar(bool iconsStay = false);
    void FailNotifyIcon(std::uint32_t message, bool fail);
    const std::vector<NotifyIconCall>& NotifyIconCalls() const { return notifyLog_; }
    // The user's mouse on the icon: sends its callback message as the shell
    // does (wParam the ID, lParam the mouse message). False if no such icon.
    bool TrayMouse(Hwnd hWnd, std::uint32_t uID, std::uint32_t mouseMsg);
    void SetNoTaskbar(bool none) { noTaskbar_ = none; }
    void SetTaskbarRect(platform::Rect r) { taskbarRect_ = r; }
    // ShellExecuteA gives 42 for an existing file of an associated extension
    // (exe com bat lnk txt htm html url at first; starting a registered
    // program), a folder, or an address (http://, https://, www., mailto:);
    // 31 for another extension or an address without association; 2 for a
    // missing file, 3 for a missing folder.
    void SetAssociation(const std::string& extension, bool associated); // "txt"
    void SetUrlAssociation(bool associated) { urlAssociated_ = associated; }
    const std::vector<ShellExecuteCall>& ShellExecuteCalls() const { return shellExecute_; }
    void SetStartupFolder(const std::string& path); // also creates it
    void FailSpecialFolderLocation(bool fail) { failFolderLocation_ = fail; }
    void FailPathFromIDList(bool fail) { failPathFromIdList_ = fail; }

    // ---- platform::Shell
    bool Shell_NotifyIconA(std::uint32_t dwMessage, const platform::NotifyIconDataA& data) override;
    std::uint32_t SHAppBarMessage(std::uint32_t dwMessage, platform::AppBarData& data) override;
    std::intptr_t ShellExecuteA(Hwnd parent, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int showCmd) override;
    std::int32_t SHGetSpecialFolderLocation(Hwnd owner, int folder) override;
    bool SHGetPathFromIDList(Hwnd owner, int folder, std::string& path) override;

  private:
    SimWindows& windows_;
    SimKernel& kernel_;
    SimShellLinkLibrary& links_;
    std::map<std::pair<Hwnd, std::uint32_t>, platform::NotifyIconDataA> tray_;
    std::set<std::uint32_t> failNotify_;
    std::vector<NotifyIconCall> notifyLog_;
    bool noTaskbar_ = false;
    platform::Rect taskbarRect_{0, 738, 1024, 768};
    std::set<std::string> associations_;
    bool urlAssociated_ = true;
    std::vector<ShellExecuteCall> shellExecute_;
    std::string startupFolder_;
    bool failFolderLocation_ = false, failPathFromIdList_ = false;
};

} // namespace pocketry::sim
