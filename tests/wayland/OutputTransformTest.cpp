#include "platform/wayland/OutputTransform.h"

#include <gtest/gtest.h>

#include <array>

namespace sentrel {
namespace {

// A picture 4 pixels wide and 3 high as seen; for each of the eight turns
// and flips, the buffer's size and where three of its pixels lie in the
// compositor's buffer, worked out by hand.
TEST(OutputTransform, FindsEachSeenPixelInTheBuffer) {
    constexpr std::array<ScreenPoint, 3> kSeen = {{{0, 0}, {3, 0}, {1, 2}}};
    const struct {
        PixelSize buffer;
        std::array<ScreenPoint, 3> inBuffer;
    } transforms[] = {{{4, 3}, {{{0, 0}, {3, 0}, {1, 2}}}}, {{3, 4}, {{{0, 3}, {0, 0}, {2, 2}}}},
                      {{4, 3}, {{{3, 2}, {0, 2}, {2, 0}}}}, {{3, 4}, {{{2, 0}, {2, 3}, {0, 1}}}},
                      {{4, 3}, {{{3, 0}, {0, 0}, {2, 2}}}}, {{3, 4}, {{{0, 0}, {0, 3}, {2, 1}}}},
                      {{4, 3}, {{{0, 2}, {3, 2}, {1, 0}}}}, {{3, 4}, {{{2, 3}, {2, 0}, {0, 2}}}}};
    for (int t = 0; t < 8; ++t) {
        const OutputTransform transform(t);
        EXPECT_EQ(transform.Swapped({4, 3}), transforms[t].buffer) << "transform " << t;
        for (std::size_t i = 0; i < kSeen.size(); ++i) {
            EXPECT_EQ(transform.ToBuffer(kSeen[i], {4, 3}), transforms[t].inBuffer[i])
                << "transform " << t << ", seen pixel " << i;
        }
    }
}

}  // namespace
}  // namespace sentrel
