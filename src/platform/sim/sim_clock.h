#pragma once
// The simulated clock: virtual time and the events scheduled on it.
//
// Nothing runs on its own: virtual time moves only when the program sleeps
// or reads the clock (1 ms per read, so a polling loop without a pause still
// ends) and when a test lets it run. Scheduled events fire whenever time
// reaches them, in time order and, at equal times, in the order they were
// scheduled.
#include <cstdint>
#include <functional>
#include <map>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimClock : public platform::Clock {
  public:
    explicit SimClock(SimErrors& errors) : errors_(errors) {}

    std::uint64_t Now() const { return now_; }
    // `owner` tags the event so that CancelEvents can take it back.
    void At(std::uint64_t ms, std::function<void()> fn, const void* owner = nullptr);
    void After(std::uint64_t ms, std::function<void()> fn, const void* owner = nullptr) {
        At(now_ + ms, std::move(fn), owner);
    }
    void CancelEvents(const void* owner);

    // ---- for the other services
    // Runs every event due by `t`, then stands at `t` (never going back).
    void AdvanceTo(std::uint64_t t);
    // The time of the earliest event, or none.
    bool NextEvent(std::uint64_t& at) const;
    // Moves the clock to `t` without running anything (a timer fires at `t`).
    void SetNow(std::uint64_t t) { now_ = t > now_ ? t : now_; }

    // ---- platform::Clock
    std::uint64_t MonotonicMilliseconds() override;

  private:
    struct Event {
        std::uint64_t seq;
        const void* owner;
        std::function<void()> fn;
    };
    SimErrors& errors_;
    std::uint64_t now_ = 0, eventSeq_ = 0;
    std::multimap<std::uint64_t, Event> events_;
};

} // namespace pocketry::sim
