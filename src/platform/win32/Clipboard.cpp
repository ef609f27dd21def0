#include "platform/win32/Clipboard.h"

namespace pocketry::platform::win32 {

namespace {

// The clipboard held open for the length of a scope.
class OpenedClipboard {
  public:
    OpenedClipboard() {
        // Another program may hold the clipboard for a moment (clipboard
        // viewers do after every change): a few short tries before giving up.
        constexpr int kTries = 10;
        constexpr DWORD kPauseMs = 20;
        for (int i = 0; i < kTries && !open_; ++i) {
            open_ = ::OpenClipboard(nullptr) != 0;
            if (!open_) {
                error_ = ::GetLastError();
                ::Sleep(kPauseMs);
            }
        }
    }
    ~OpenedClipboard() {
        if (open_)
            ::CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool open() const { return open_; }
    DWORD error() const { return error_ != ERROR_SUCCESS ? error_ : ERROR_ACCESS_DENIED; }

  private:
    bool open_ = false;
    DWORD error_ = ERROR_SUCCESS;
};

} // namespace

Status Clipboard::EmptyClipboard() {
    const OpenedClipboard clipboard;
    if (!clipboard.open())
        return StatusFrom(clipboard.error());
    if (::EmptyClipboard() == 0)
        return LastErrorStatus();
    return Status::Ok();
}

bool Clipboard::IsClipboardFormatAvailable(std::uint32_t format) {
    return ::IsClipboardFormatAvailable(format) != 0;
}

std::uint32_t Clipboard::RegisterClipboardFormatA(const std::string& name) {
    return ::RegisterClipboardFormatW(Wide(name).c_str());
}

} // namespace pocketry::platform::win32
