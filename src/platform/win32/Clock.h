#pragma once
#include "platform/win32/Win32.h"

namespace pocketry::platform::win32 {

// The system's tick count since start, 64 bits wide: it neither wraps after
// 49 days nor follows changes of the wall clock.
class Clock final : public platform::Clock {
  public:
    std::uint64_t MonotonicMilliseconds() override { return ::GetTickCount64(); }
};

} // namespace pocketry::platform::win32
