#pragma once
// Measuring the desktop work area and placing a window on it.

#include <cstdint>
#include <string>

#include "platform/forms.h"

namespace pocketry {
class App;

namespace GetDesktopSize_ {

// One edge or size of the work area (or of the whole screen when the work
// area is not asked for or cannot be read), in twips or pixels. Edge: "l",
// "t", "r", "b", "h" in any case; anything else gives the width.
std::int32_t GetDesktopSize(App& app, bool WorkArea, bool InPixels, const std::string& Edge);

// Centres the form horizontally on the work area, 1/HeightDivisor of the free
// height down from its top. HeightDivisor is moved into 1..10 (below 1 gives 2)
// and written back.
void CenterForm(App& app, platform::Form& form, std::int32_t& HeightDivisor);

} // namespace GetDesktopSize_
} // namespace pocketry
