#include "juno/Wait.h"

#include <cmath>

#include "app/App.h"

namespace pocketry {

namespace {
constexpr std::uint32_t kPollPauseMs = 50;

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
