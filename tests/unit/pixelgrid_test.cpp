// Controls placed in twips on the real screen: neighbours that meet in twips
// meet in pixels, at every common setting of dots per inch.

#include <gtest/gtest.h>

#include "options/frmOptions.h"
#include "platform/PixelGrid.h"

#include <vector>

namespace {

using pocketry::platform::SpanPixels;
using pocketry::platform::TwipsToPixels;

struct Span {
    int start;
    int length;
};

// The pixel edges [left, right) the real form gives a span.
std::pair<int, int> Edges(Span s, int dpi) {
    const int left = TwipsToPixels(s.start, dpi);
    return {left, left + SpanPixels(s.start, s.length, dpi)};
}

TEST(PixelGridTest, TheOptionsTabsMeetWithoutOverlapOrGapAtEveryDpi) {
    // The three page tabs of the options dialog, side by side in twips.
    const pocketry::platform::FormSpec spec = pocketry::frmOptions::Spec();
    std::vector<Span> tabs;
    for (const char* name : {"Check1(0)", "Check1(1)", "Check1(2)"}) {
        for (const auto& c : spec.controls) {
            if (c.name == name) {
                tabs.push_back({c.left, c.width});
            }
        }
    }
    ASSERT_EQ(3u, tabs.size());
    for (std::size_t i = 0; i + 1 < tabs.size(); ++i) {
        ASSERT_EQ(tabs[i].start + tabs[i].length, tabs[i + 1].start) << "tab " << i;
    }
    for (const int dpi : {96, 120, 144, 168, 192, 240}) {
        for (std::size_t i = 0; i + 1 < tabs.size(); ++i) {
            EXPECT_EQ(Edges(tabs[i], dpi).second, Edges(tabs[i + 1], dpi).first)
                << "tabs " << i << " and " << i + 1 << " at " << dpi << " dpi";
        }
    }
}

TEST(PixelGridTest, EdgesRoundHalvesAwayFromZeroAsWindowsDoes) {
    EXPECT_EQ((std::vector<int>{0, 1, 1, 2, 158, 312, -1, -2}),
              (std::vector<int>{TwipsToPixels(0, 144), TwipsToPixels(10, 144),
                                TwipsToPixels(5, 144), TwipsToPixels(15, 144),
                                TwipsToPixels(1575, 144), TwipsToPixels(3120, 144),
                                TwipsToPixels(-5, 144), TwipsToPixels(-15, 144)}));
    // A span's length follows its edges, so it may differ from its length alone.
    EXPECT_EQ(154, SpanPixels(1575, 1545, 144));
    EXPECT_EQ(155, TwipsToPixels(1545, 144));
}

} // namespace
