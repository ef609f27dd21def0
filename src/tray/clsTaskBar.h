#pragma once
// The program's icon in the taskbar notification area, and the record the
// shell receives for it.

#include <array>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace pocketry {
class App;

class clsTaskBar {
  public:
    static constexpr std::uint32_t kCallbackMessage = 1793; // 0x701

    explicit clsTaskBar(App& app);

    // Hooks the owner's window procedure and hides the window; true when ready for AddIcon.
    bool Setup(platform::Form& f, bool Silent);
    bool ChangeIcon(std::uint32_t hIcon, int ID);
    std::uint32_t CallbackMessage() const { return nid_.uCallbackMessage; }
    bool AddIcon(platform::Form& f, std::uint32_t hIcon, const std::string& sTip, int ID);
    bool ChangeTip(const std::string& sTip, int ID);
    bool DeleteIcon(platform::Form& f, int ID);
    void Shutdown(platform::Form& f, bool Reshow, bool Restore);
    bool Exists();
    bool MainInTray() const { return IconShown(1); }

    // The record as the shell last received it.
    const platform::NotifyIconDataA& IconRecord() const { return nid_; }

  private:
    bool IconShown(int ID) const;
    void SetIconShown(int ID, bool shown);
    void SetTip(const std::string& sTip);

    App& app_;
    platform::AppBarData appBar_;
    platform::NotifyIconDataA nid_;
    std::array<bool, 2> iconShown_{}; // icon IDs 1 and 2
};

} // namespace pocketry
