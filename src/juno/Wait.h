#pragma once
// Waiting for the Juno client on the user-interface thread.

#include <cstdint>
#include <functional>

namespace pocketry {
class App;

// Polls `done` until it holds or more than TimeoutSeconds have passed since
// the start, rounded to a whole second. Time is measured on a monotonic
// clock, so midnight cannot cut a wait short, and the thread sleeps briefly
// between polls instead of spinning. True when `done` held.
bool WaitFor(App& app, std::int32_t TimeoutSeconds, const std::function<bool()>& done);

} // namespace pocketry
