// The three waits for Juno (for its window after a run, for it to go after a
// close, and for it to come back after its window went) notice the change
// within a quarter of a second, wherever between two polls it falls.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/sim/sim_juno.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

constexpr std::uint64_t kNoticeLimitMs = 250;

class WaitNoticeTest : public InstalledJunoTest {
  protected:
    WaitNoticeTest()
        : InstalledJunoTest({.root = "C:\\Program Files\\Juno", .confirmOnClose = false}) {}

    // The latest notice over changes spread across more than a second in 3 ms
    // steps, so that some fall just after a poll, whatever the pause between
    // polls. `wait` makes the change `offset` ms after it begins and returns
    // how long it took; the wait must have seen the change.
    std::uint64_t LatestNotice(std::uint32_t first,
                               const std::function<std::uint64_t(std::uint32_t)>& wait) {
        std::uint64_t latest = 0;
        for (std::uint32_t offset = first; offset < first + 1100; offset += 3) {
            const std::uint64_t took = wait(offset);
            EXPECT_GE(took, offset) << "a wait that ended before the change at " << offset;
            latest = std::max(latest, took - std::min<std::uint64_t>(took, offset));
        }
        EXPECT_TRUE(desk.MsgBoxes().empty()) << "a wait timed out";
        return latest;
    }
};

TEST_F(WaitNoticeTest, TheRunWaitSeesJunosWindowSoonAfterItShows) {
    const std::uint64_t latest = LatestNotice(3000, [this](std::uint32_t offset) {
        juno.Crash();
        juno.Script().startDelayMs = offset;
        const std::uint64_t t0 = desk.Now();
        main->RunJuno(120);
        EXPECT_NE(juno.MainWindow(), 0u);
        return desk.Now() - t0;
    });
    EXPECT_LE(latest, kNoticeLimitMs);
}

TEST_F(WaitNoticeTest, TheCloseWaitSeesJunoGoSoonAfterItWent) {
    const std::uint64_t latest = LatestNotice(3000, [this](std::uint32_t offset) {
        juno.StartNow();
        juno.Script().exitDelayMs = offset;
        const std::uint64_t t0 = desk.Now();
        main->CloseJuno(30);
        EXPECT_FALSE(juno.Running());
        return desk.Now() - t0;
    });
    EXPECT_LE(latest, kNoticeLimitMs);
}

TEST_F(WaitNoticeTest, TheWatchersWaitSeesJunoBackSoonAfterItCameBack) {
    juno.StartNow();
    main->Checker_Timer_Timer();
    ASSERT_TRUE(main->JunoWasRunning);
    const std::uint64_t latest = LatestNotice(5000, [this](std::uint32_t offset) {
        juno.Crash();
        desk.After(offset, [this] { juno.StartNow(); });
        const std::uint64_t t0 = desk.Now();
        main->Checker_Timer_Timer();
        EXPECT_TRUE(main->JunoWasRunning);
        return desk.Now() - t0;
    });
    EXPECT_LE(latest, kNoticeLimitMs);
}

} // namespace
} // namespace pocketry::testing
