#pragma once
// The simulated clipboard: which formats it holds.
#include <set>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimWindows;

class SimClipboard : public platform::Clipboard {
  public:
    explicit SimClipboard(SimWindows& windows) : windows_(windows) {}

    void AddClipboardFormat(std::uint32_t format) { clipFormats_.insert(format); }
    bool ClipboardHas(std::uint32_t format) const { return clipFormats_.count(format) != 0; }
    std::size_t ClipboardFormatCount() const { return clipFormats_.size(); }
    void FailEmptyClipboard(Status status) { failEmptyClipboard_ = std::move(status); }
    void FailFormatQuery(std::uint32_t format, bool fail);
    int EmptyClipboardCalls() const { return emptyCalls_; }

    // ---- platform::Clipboard
    Status EmptyClipboard() override;
    bool IsClipboardFormatAvailable(std::uint32_t format) override;
    std::uint32_t RegisterClipboardFormatA(const std::string& name) override;

  private:
    SimWindows& windows_; // formats and window messages share one table of names
    std::set<std::uint32_t> clipFormats_, failFormats_;
    Status failEmptyClipboard_;
    int emptyCalls_ = 0;
};

} // namespace pocketry::sim
