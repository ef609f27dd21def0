#pragma once
// Twips to pixels for the controls of a form. A control's edges are put on the
// pixel grid, not its size: a width rounded on its own can come out one pixel
// longer than the gap to the next control, so that controls that meet in twips
// overlap at some dots per inch (at 144, 1575 + 1545 twips ends at pixel 313
// while the neighbour at 3120 twips starts at 312).

namespace pocketry::platform {

// twips * dpi / 1440, halves rounded away from zero (as Windows' MulDiv does).
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

// The length in pixels of the span that starts at `start` twips and is
// `length` twips long: the distance between its rounded edges.
constexpr int SpanPixels(int start, int length, int dpi) {
    return TwipsToPixels(start + length, dpi) - TwipsToPixels(start, dpi);
}

} // namespace pocketry::platform
