#include "juno/Wait.h"

#include <cmath>

#include "app/App.h"

namespace pocketry {

namespace {
// Measured under Wine: at 100 ms a wait costs about what the program costs
// idling in the tray, and Juno is still noticed well within a quarter second.
constexpr std::uint32_t kPollPauseMs = 100;

double NowSeconds(App& app) {
    return static_cast<double>(app.api.clock.MonotonicMilliseconds()) / 1000.0;
}
} // namespace

bool WaitFor(App& app, std::int32_t TimeoutSeconds, const std::function<bool()>& done) {
    const double start = std::nearbyint(NowSeconds(app));
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::fabs(NowSeconds(app) - start) > TimeoutSeconds) {
            return false;
        }
        app.api.kernel.Sleep(kPollPauseMs);
    }
}

} // namespace pocketry
