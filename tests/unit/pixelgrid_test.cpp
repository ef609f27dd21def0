// Controls placed in twips on the real screen: neighbours that meet in twips
// meet in pixels, at every common setting of dots per inch.

#include <gtest/gtest.h>

#include "options/frmOptions.h"
#include "platform/PixelGrid.h"

#include <vector>

namespace {

using pocketry::platform::SpanPixels;
using pocketry::platform::TwipsToPixels;

TEST(PixelGridTest, EdgesRoundHalvesAwayFromZeroSoTheOptionsTabsMeetAtEveryDpi) {
    std::vector<int> pixels;
    for (const int twips : {0, 10, 5, 15, 1575, 3120, -5, -15}) {
        pixels.push_back(TwipsToPixels(twips, 144));
    }
    EXPECT_EQ(pixels, (std::vector<int>{0, 1, 1, 2, 158, 312, -1, -2}));
    // The three page tabs side by side (OptionsTest.TheTableIsTheDialogsDesign): a width
    // rounded alone (1545 twips are 155 pixels at 144 dpi) would overlap the next tab.
    std::vector<std::pair<int, int>> tabs; // left, width
    for (const auto& c : pocketry::frmOptions::Spec().controls) {
        if (c.name.starts_with("Check1(")) {
            tabs.emplace_back(c.left, c.width);
        }
    }
    ASSERT_EQ(tabs.size(), 3u);
    for (const int dpi : {96, 120, 144, 168, 192, 240}) {
        for (std::size_t i = 0; i + 1 < tabs.size(); ++i) {
            const auto [left, width] = tabs[i];
            EXPECT_EQ(TwipsToPixels(left, dpi) + SpanPixels(left, width, dpi),
                      TwipsToPixels(tabs[i + 1].first, dpi))
                << "tabs " << i << " and " << i + 1 << " at " << dpi << " dpi";
        }
    }
}

} // namespace
