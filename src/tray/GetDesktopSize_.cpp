#include "tray/GetDesktopSize_.h"

#include <cctype>
#include <cmath>

#include "app/App.h"

namespace pocketry::GetDesktopSize_ {

using namespace platform;

namespace {
// Nearest whole number, halves to the even neighbour.
std::int32_t RoundEven(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value));
}
} // namespace

std::int32_t GetDesktopSize(App& app, bool WorkArea, bool InPixels, const std::string& Edge) {
    Rect rect;
    const bool workAreaRead =
        WorkArea && app.api.windows.SystemParametersInfoA(SPI_GETWORKAREA, 0, &rect, 0);
    const double tppX = app.api.ui.TwipsPerPixelX();
    const double tppY = app.api.ui.TwipsPerPixelY();
    DesktopMeasure& d = app.desktop;
    if (workAreaRead) {
        const double x = InPixels ? 1.0 : tppX;
        const double y = InPixels ? 1.0 : tppY;
        d.left = RoundEven(rect.left * x);
        d.top = RoundEven(rect.top * y);
        d.right = RoundEven(rect.right * x);
        d.bottom = RoundEven(rect.bottom * y);
        d.width = d.right - d.left;
        d.height = d.bottom - d.top;
    } else {
        d.left = 0;
        d.top = 0;
        d.right = RoundEven(app.api.ui.ScreenWidth() / (InPixels ? tppX : 1.0));
        d.bottom = RoundEven(app.api.ui.ScreenHeight() / (InPixels ? tppY : 1.0));
        d.width = d.right;
        d.height = d.bottom;
    }
    const char letter =
        Edge.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(Edge[0])));
    if (Edge.size() == 1) {
        switch (letter) {
        case 'l':
            return d.left;
        case 't':
            return d.top;
        case 'r':
            return d.right;
        case 'b':
            return d.bottom;
        case 'h':
            return d.height;
        default:
            break;
        }
    }
    return d.width;
}

void CenterForm(App& app, Form& form, std::int32_t& HeightDivisor) {
    if (HeightDivisor < 1) {
        HeightDivisor = 2;
    } else if (HeightDivisor > 10) {
        HeightDivisor = 10;
    }
    GetDesktopSize(app, true, false, "");
    const DesktopMeasure& d = app.desktop;
    const int top = d.top + (d.height - form.Height()) / HeightDivisor;
    const int left = d.left + (d.width - form.Width()) / 2;
    form.Move(left, top);
}

} // namespace pocketry::GetDesktopSize_
