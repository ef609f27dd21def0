// The simulated clipboard.
#include "platform/sim/sim_clipboard.h"

#include "platform/sim/sim_windows.h"

namespace pocketry::sim {

void SimClipboard::FailFormatQuery(std::uint32_t format, bool fail) {
    if (fail)
        failFormats_.insert(format);
    else
        failFormats_.erase(format);
}

Status SimClipboard::EmptyClipboard() {
    ++emptyCalls_;
    if (!failEmptyClipboard_.ok())
        return failEmptyClipboard_;
    clipFormats_.clear();
    return Status::Ok();
}

bool SimClipboard::IsClipboardFormatAvailable(std::uint32_t format) {
    return failFormats_.count(format) == 0 && clipFormats_.count(format) != 0;
}

std::uint32_t SimClipboard::RegisterClipboardFormatA(const std::string& name) {
    return windows_.RegisterWindowMessageA(name);
}

} // namespace pocketry::sim
