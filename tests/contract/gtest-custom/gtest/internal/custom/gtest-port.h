#pragma once
// GoogleTest's place for a port's own pieces, found before its empty one. Its
// Notification needs std::mutex, which the Windows toolchain's win32 thread
// model lacks; only GoogleTest's own thread helpers use it.
#include <atomic>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

struct Notification {
    std::atomic<bool> notified{false}; // and so neither copied nor moved
    void Notify() { notified = true; }
    void WaitForNotification() const {
        while (!notified)
            std::this_thread::yield();
    }
};

} // namespace testing::internal
