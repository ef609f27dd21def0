#pragma once
// GoogleTest's place for a port's own pieces, found before its empty one. Its
// Notification needs std::mutex, which the Windows toolchain's win32 thread
// model lacks; only GoogleTest's own thread helpers use it.
#include <atomic>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
  public:
    void Notify() { notified_ = true; }
    void WaitForNotification() const {
        while (!notified_)
            std::this_thread::yield();
    }

  private:
    std::atomic<bool> notified_{false}; // and so neither copied nor moved
};

} // namespace testing::internal
