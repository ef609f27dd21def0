// The simulated clock and its scheduled events.
#include "platform/sim/sim_clock.h"

#include <algorithm>

namespace pocketry::sim {

void SimClock::At(std::uint64_t ms, std::function<void()> fn, const void* owner) {
    events_.emplace(ms, Event{eventSeq_++, owner, std::move(fn)});
}

void SimClock::CancelEvents(const void* owner) {
    std::erase_if(events_, [owner](const auto& e) { return e.second.owner == owner; });
}

void SimClock::AdvanceTo(std::uint64_t t) {
    // Each event is taken out before it runs, so a nested advance (an event
    // that sleeps) never runs it twice.
    while (!events_.empty() && events_.begin()->first <= t) {
        auto node = events_.extract(events_.begin());
        now_ = std::max(now_, node.key());
        errors_.Guard("a scheduled event", node.mapped().fn);
    }
    now_ = std::max(now_, t);
}

bool SimClock::NextEvent(std::uint64_t& at) const {
    if (events_.empty())
        return false;
    at = events_.begin()->first;
    return true;
}

std::uint64_t SimClock::MonotonicMilliseconds() {
    AdvanceTo(now_ + 1);
    return now_;
}

} // namespace pocketry::sim
