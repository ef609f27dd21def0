#pragma once
#include "platform/platform.h"

namespace pocketry {

// The process entry: single-instance check, then the main window's life.
// Returns when no window of the program is left.
void Main(platform::Platform& api);

} // namespace pocketry
