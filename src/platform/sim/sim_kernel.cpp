// The simulated kernel beyond the file tree: INI files, programs started,
// version resources and sleeping.
#include "platform/sim/sim_kernel.h"

#include <cstring>

#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_util.h"

namespace pocketry::sim {

using namespace platform;

namespace {
constexpr std::uint8_t kVersionMagic[4] = {'S', 'I', 'M', 'V'};
// The simulated block: the magic, whether a fixed part follows, the fixed part.
constexpr std::uint32_t kVersionBlockSize = sizeof(kVersionMagic) + 1 + sizeof(VsFixedFileInfo);
} // namespace

SimKernel::SimKernel(SimErrors& errors, SimClock& clock) : errors_(errors), clock_(clock) {
    AddDirectory(systemFolder_);
    SetAppFolder("C:\\Program Files\\Pocketry");
}

void SimKernel::SetProgramFileName(const std::string& name) {
    programFileName_ = name;
    AddFile(GetModuleFileNameA());
}

std::string SimKernel::GetModuleFileNameA() {
    const bool rooted = !appFolder_.empty() && appFolder_.back() == '\\';
    return appFolder_ + (rooted ? "" : "\\") + programFileName_;
}

void SimKernel::Sleep(std::uint32_t milliseconds) {
    sleeps_.push_back(milliseconds);
    clock_.AdvanceTo(clock_.Now() + milliseconds);
}

void SimKernel::RunRegistered(const std::string& longPath, int showCmd) {
    auto program = programs_.find(Lower(longPath));
    if (program == programs_.end())
        return;
    auto onStart = program->second; // the program may unregister itself
    errors_.Guard("a program's start", [&] { onStart(showCmd); });
}

// ------------------------------------------------------------------ INI files

std::string SimKernel::IniPath(const std::string& file) const {
    const std::string full = HasFolder(file) ? file : windowsFolder_ + "\\" + file;
    auto parts = SplitPath(full);
    return Lower(parts ? Join(*parts) : full);
}

void SimKernel::SetIniValue(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) {
    const std::string full = HasFolder(file) ? file : windowsFolder_ + "\\" + file;
    if (!Exists(full))
        AddFile(full);
    ini_[IniPath(file)][Lower(section) + "\n" + Lower(key)] = value;
}

std::int32_t SimKernel::GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                                 const std::string& defaultValue,
                                                 std::string& value, std::uint32_t size,
                                                 const std::string& fileName) {
    value.clear();
    if (failIni_)
        return -1;
    std::string found = defaultValue;
    const std::string full = HasFolder(fileName) ? fileName : windowsFolder_ + "\\" + fileName;
    auto file = ini_.find(IniPath(fileName));
    if (Exists(full) && file != ini_.end()) {
        auto it = file->second.find(Lower(section) + "\n" + Lower(key));
        if (it != file->second.end())
            found = it->second;
    }
    if (size == 0)
        return 0;
    value = found.substr(0, std::min<std::size_t>(found.size(), size - 1));
    return static_cast<std::int32_t>(value.size());
}

// ------------------------------------------------------------------ processes

void SimKernel::RegisterProgram(const std::string& path, std::function<void(int)> onStart) {
    auto parts = SplitPath(path);
    programs_[Lower(parts ? Join(*parts) : path)] = std::move(onStart);
}

void SimKernel::UnregisterProgram(const std::string& path) {
    auto parts = SplitPath(path);
    programs_.erase(Lower(parts ? Join(*parts) : path));
}

Status SimKernel::StartProcess(const std::string& path, int showCmd) {
    Status status;
    auto r = Resolve(path);
    if (!r) {
        auto parts = SplitPath(path);
        const bool folderThere =
            parts && parts->size() > 1 &&
            Exists(Join(std::vector<std::string>(parts->begin(), parts->end() - 1)));
        status = Failure(folderThere ? 2 : 3);
    } else if (r->node->IsDirectory()) {
        status = Failure(5);
    }
    startLog_.push_back({path, showCmd, status});
    if (status.ok())
        RunRegistered(r->longPath, showCmd);
    return status;
}

// ------------------------------------------------------------------ versions

std::optional<std::string> SimKernel::SearchLibrary(const std::string& fileName) const {
    std::vector<std::string> candidates;
    if (HasFolder(fileName)) {
        candidates.push_back(fileName);
    } else {
        std::vector<std::string> folders = librarySearch_;
        if (folders.empty())
            folders = {appFolder_, systemFolder_, windowsFolder_};
        for (const std::string& f : folders)
            candidates.push_back(f + "\\" + fileName);
    }
    for (const std::string& c : candidates)
        if (auto r = Resolve(c); r && r->parent != nullptr && !r->node->IsDirectory())
            return r->longPath; // the first file found is the one, version or not
    return std::nullopt;
}

std::uint32_t SimKernel::GetFileVersionInfoSizeA(const std::string& fileName) {
    auto path = SearchLibrary(fileName);
    return path && Resolve(*path)->node->version ? kVersionBlockSize : 0;
}

bool SimKernel::GetFileVersionInfoA(const std::string& fileName, std::uint32_t handle,
                                    std::uint32_t size, std::vector<std::uint8_t>& data) {
    (void)handle;
    auto path = SearchLibrary(fileName);
    if (!path || size < kVersionBlockSize)
        return false;
    const FsNode& node = *Resolve(*path)->node;
    if (!node.version)
        return false;
    data.assign(size, 0);
    std::memcpy(data.data(), kVersionMagic, sizeof(kVersionMagic));
    if (const auto& fixed = node.version->fixed) {
        data[sizeof(kVersionMagic)] = 1;
        std::memcpy(data.data() + sizeof(kVersionMagic) + 1, &*fixed, sizeof(VsFixedFileInfo));
    }
    return true;
}

bool SimKernel::VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                               std::vector<std::uint8_t>& value) {
    if (block.size() < kVersionBlockSize ||
        std::memcmp(block.data(), kVersionMagic, sizeof(kVersionMagic)) != 0 || subBlock != "\\")
        return false;
    value.clear();
    if (block[sizeof(kVersionMagic)] != 0) {
        const auto begin = block.begin() + static_cast<std::ptrdiff_t>(sizeof(kVersionMagic) + 1);
        value.assign(begin, begin + static_cast<std::ptrdiff_t>(sizeof(VsFixedFileInfo)));
    }
    return true;
}

} // namespace pocketry::sim
