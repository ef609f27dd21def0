// The simulated shell: tray icons, the taskbar, shell execute, the StartUp
// folder and the shell-link library.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/sim/sim_kernel.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_util.h"
#include "platform/sim/sim_windows.h"

namespace pocketry::sim {

using namespace platform;

NotifyIconDataA NotifyIconCall::Data() const {
    NotifyIconDataA d;
    std::memcpy(&d, bytes.data(), sizeof d);
    return d;
}

std::string NotifyIconCall::Tip() const {
    const NotifyIconDataA d = Data();
    return std::string(d.szTip, std::find(std::begin(d.szTip), std::end(d.szTip), '\0'));
}

// ------------------------------------------------------------------ tray

SimShell::SimShell(SimWindows& windows, SimKernel& kernel, SimShellLinkLibrary& links)
    : windows_(windows), kernel_(kernel), links_(links) {
    SetStartupFolder("C:\\Documents and Settings\\User\\Start Menu\\Programs\\Startup");
    for (const char* ext : {"exe", "com", "bat", "lnk", "txt", "htm", "html", "url"})
        associations_.insert(ext);
}

void SimShell::FailNotifyIcon(std::uint32_t message, bool fail) {
    if (fail)
        failNotify_.insert(message);
    else
        failNotify_.erase(message);
}

std::optional<NotifyIconDataA> SimShell::TrayIcon(Hwnd hWnd, std::uint32_t uID) const {
    auto it = tray_.find({hWnd, uID});
    if (it == tray_.end())
        return std::nullopt;
    return it->second;
}

bool SimShell::Shell_NotifyIconA(std::uint32_t dwMessage, const NotifyIconDataA& data) {
    NotifyIconCall call{dwMessage, {}, false};
    std::memcpy(call.bytes.data(), &data, sizeof data);
    const auto key = std::make_pair(data.hWnd, data.uID);
    auto it = tray_.find(key);
    bool ok = failNotify_.count(dwMessage) == 0 && data.cbSize == sizeof(NotifyIconDataA);
    if (ok) {
        switch (dwMessage) {
        case NIM_ADD:
            ok = it == tray_.end();
            if (ok)
                it = tray_.emplace(key, NotifyIconDataA{}).first;
            break;
        case NIM_MODIFY:
            ok = it != tray_.end();
            break;
        case NIM_DELETE:
            ok = it != tray_.end();
            if (ok)
                tray_.erase(it);
            break;
        default:
            ok = false;
            break;
        }
    }
    if (ok && dwMessage != NIM_DELETE) {
        // The shell keeps the members the flags name.
        NotifyIconDataA& icon = it->second;
        icon.cbSize = data.cbSize;
        icon.hWnd = data.hWnd;
        icon.uID = data.uID;
        icon.uFlags |= data.uFlags;
        if (data.uFlags & NIF_MESSAGE)
            icon.uCallbackMessage = data.uCallbackMessage;
        if (data.uFlags & NIF_ICON)
            icon.hIcon = data.hIcon;
        if (data.uFlags & NIF_TIP) {
            std::memcpy(icon.szTip, data.szTip, sizeof icon.szTip);
            icon.szTip[sizeof icon.szTip - 1] = 0;
        }
    }
    call.result = ok;
    notifyLog_.push_back(call);
    return ok;
}

void SimShell::RecreateTaskbar(bool iconsStay) {
    if (!iconsStay)
        tray_.clear();
    const auto msg = windows_.RegisteredMessage("TaskbarCreated");
    if (!msg)
        return; // nobody asked for the message
    for (Hwnd h : windows_.TopLevelWindows())
        windows_.Deliver(h, *msg, 0, 0);
}

bool SimShell::TrayMouse(Hwnd hWnd, std::uint32_t uID, std::uint32_t mouseMsg) {
    auto icon = TrayIcon(hWnd, uID);
    if (!icon || !(icon->uFlags & NIF_MESSAGE) || windows_.Window(hWnd) == nullptr)
        return false;
    windows_.Deliver(hWnd, icon->uCallbackMessage, uID, static_cast<std::intptr_t>(mouseMsg));
    return true;
}

std::uint32_t SimShell::SHAppBarMessage(std::uint32_t dwMessage, AppBarData& data) {
    if (dwMessage != ABM_GETTASKBARPOS || noTaskbar_)
        return 0;
    data.rcLeft = taskbarRect_.left;
    data.rcTop = taskbarRect_.top;
    data.rcRight = taskbarRect_.right;
    data.rcBottom = taskbarRect_.bottom;
    data.uEdge = 3; // ABE_BOTTOM
    return 1;
}

// ------------------------------------------------------------------ shell execute

void SimShell::SetAssociation(const std::string& extension, bool associated) {
    if (associated)
        associations_.insert(Lower(extension));
    else
        associations_.erase(Lower(extension));
}

std::intptr_t SimShell::ShellExecuteA(Hwnd parent, const std::string& verb, const std::string& file,
                                      const std::string& parameters, const std::string& directory,
                                      int showCmd) {
    constexpr std::intptr_t kStarted = 42, kFileNotFound = 2, kPathNotFound = 3, kNoAssoc = 31;
    std::intptr_t result = kStarted;
    const std::string lower = Lower(file);
    // The shell takes "www." names for web addresses as well.
    const bool url = lower.starts_with("www.") || lower.starts_with("http://") ||
                     lower.starts_with("https://") || lower.starts_with("mailto:");
    if (url) {
        result = urlAssociated_ ? kStarted : kNoAssoc;
    } else {
        std::string path = file;
        if (file.find(':') == std::string::npos && !directory.empty())
            path = directory + "\\" + file;
        auto r = kernel_.Resolve(path);
        const std::size_t sep = path.find_last_of("\\/");
        if (!r) {
            result = sep != std::string::npos && kernel_.Exists(path.substr(0, sep + 1))
                         ? kFileNotFound
                         : kPathNotFound;
            if (sep == std::string::npos)
                result = kFileNotFound;
        } else if (!r->node->IsDirectory()) {
            const std::string& name = r->node->name;
            const std::size_t dot = name.rfind('.');
            const std::string ext = dot == std::string::npos ? "" : Lower(name.substr(dot + 1));
            if (associations_.count(ext) == 0)
                result = kNoAssoc;
            else
                kernel_.RunRegistered(r->longPath, showCmd);
        } // a folder opens in a browsing window
    }
    shellExecute_.push_back({parent, verb, file, parameters, directory, showCmd, result});
    return result;
}

// ------------------------------------------------------------------ special folders

void SimShell::SetStartupFolder(const std::string& path) {
    startupFolder_ = path;
    if (!path.empty())
        kernel_.AddDirectory(path);
    // The shell-link library knows the StartUp group by the folder's name.
    const std::size_t sep = path.find_last_of('\\');
    const std::string group = sep == std::string::npos ? path : path.substr(sep + 1);
    if (!group.empty())
        links_.AddGroup(group);
}

std::int32_t SimShell::SHGetSpecialFolderLocation(Hwnd owner, int folder) {
    (void)owner;
    if (failFolderLocation_ || startupFolder_.empty())
        return static_cast<std::int32_t>(0x80004005u);                           // E_FAIL
    return folder == CSIDL_STARTUP ? 0 : static_cast<std::int32_t>(0x80070057u); // E_INVALIDARG
}

bool SimShell::SHGetPathFromIDList(Hwnd owner, int folder, std::string& path) {
    (void)owner;
    if (failPathFromIdList_ || folder != CSIDL_STARTUP || startupFolder_.empty())
        return false;
    path = startupFolder_;
    return true;
}

// ------------------------------------------------------------------ shell links

void SimShellLinkLibrary::AddGroup(const std::string& group) {
    shellLinks_[Lower(group)];
}

void SimShellLinkLibrary::SetShellLinkFunctionMissing(const std::string& function, bool missing) {
    if (missing)
        linkFunctionsMissing_.insert(function);
    else
        linkFunctionsMissing_.erase(function);
}

void SimShellLinkLibrary::SetShellLinkResult(const std::string& function,
                                             std::optional<std::int32_t> result) {
    if (result)
        linkResults_[function] = *result;
    else
        linkResults_.erase(function);
}

bool SimShellLinkLibrary::ShellGroupExists(const std::string& group) const {
    return shellLinks_.count(Lower(group)) != 0;
}

bool SimShellLinkLibrary::ShellLinkExists(const std::string& group, const std::string& link) const {
    auto g = shellLinks_.find(Lower(group));
    return g != shellLinks_.end() && g->second.count(Lower(link)) != 0;
}

std::string SimShellLinkLibrary::ShellLinkTarget(const std::string& group,
                                                 const std::string& link) const {
    auto g = shellLinks_.find(Lower(group));
    if (g == shellLinks_.end())
        return {};
    auto l = g->second.find(Lower(link));
    return l == g->second.end() ? std::string() : l->second;
}

Status SimShellLinkLibrary::LinkCall(const std::string& function, std::vector<std::string> args,
                                     std::int32_t& result,
                                     const std::function<std::int32_t()>& body) {
    Status status;
    result = 0;
    if (linkLibraryMissing_)
        status = Failure(126);
    else if (linkFunctionsMissing_.count(function) != 0)
        status = Failure(127);
    else if (auto forced = linkResults_.find(function); forced != linkResults_.end())
        result = forced->second;
    else
        result = body();
    linkLog_.push_back({function, std::move(args), result, status});
    return status;
}

Status SimShellLinkLibrary::fCreateShellFolder(const std::string& group, std::int32_t& result) {
    return LinkCall("fCreateShellFolder", {group}, result, [&] {
        shellLinks_[Lower(group)];
        return 1;
    });
}

Status SimShellLinkLibrary::fCreateShellLink(const std::string& group, const std::string& link,
                                             const std::string& target,
                                             const std::string& arguments, std::int32_t& result) {
    return LinkCall("fCreateShellLink", {group, link, target, arguments}, result, [&] {
        auto g = shellLinks_.find(Lower(group));
        if (g == shellLinks_.end())
            return 0;
        g->second[Lower(link)] = arguments.empty() ? target : target + " " + arguments;
        return 1;
    });
}

Status SimShellLinkLibrary::fRemoveShellLink(const std::string& group, const std::string& link,
                                             std::int32_t& result) {
    return LinkCall("fRemoveShellLink", {group, link}, result, [&] {
        auto g = shellLinks_.find(Lower(group));
        return g != shellLinks_.end() && g->second.erase(Lower(link)) != 0 ? 1 : 0;
    });
}

} // namespace pocketry::sim
