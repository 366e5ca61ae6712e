#include "platform/windowkind/CornerMark.h"

#include <gtest/gtest.h>

#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// Found to the pixel wherever in reach the window lies, at any scale, and
// there alone: one block further right, the mark is not where the corner
// would put it. No mark, one out of reach, one of another scale or one
// partly covered is not found; a whole one is at its corner, in reach or not.
TEST(CornerMark, IsFoundAtTheWindowsCornerAtAnyScaleAndNowhereElse) {
    constexpr int kAll = static_cast<int>(CornerMark::kColours.size()), kFar = CornerMark::kSearchPixels + 20;
    const struct {
        ScreenPoint corner;
        double painted, ratio;
        int blocks;
        bool found;
    } marks[] = {{{0, 0}, 1, 1, kAll, true},   {{0, 30}, 1, 1, kAll, true},        {{0, 45}, 1.5, 1.5, kAll, true},
                 {{0, 64}, 2, 2, kAll, true},  {{37, 5}, 1.25, 1.25, kAll, true},  {{255, 255}, 3, 3, kAll, true},
                 {{0, 0}, 1, 1, 0, false},     {{kFar, 0}, 1, 1, kAll, false},     {{0, kFar}, 1, 1, kAll, false},
                 {{0, 10}, 2, 1, kAll, false}, {{100, 100}, 1, 1, kAll - 1, false}};
    for (const auto& [corner, painted, ratio, blocks, found] : marks) {
        MarkedOutput output;
        output.PaintMark(corner, painted, blocks);
        const std::optional<ScreenPoint> where = found ? std::optional(corner) : std::nullopt;
        EXPECT_EQ(CornerMark::Find(output, ratio), where)
            << "at " << corner.x << ", " << corner.y << ", scale " << ratio;
        const bool whole = blocks == kAll && painted == ratio;  // out of reach or not
        EXPECT_EQ(CornerMark::At(output, corner, ratio), whole) << "at " << corner.x << ", " << corner.y;
        const int block = static_cast<int>(CornerMark::kBlockUnits * ratio);
        EXPECT_FALSE(CornerMark::At(output, {corner.x + block, corner.y}, ratio)) << "scale " << ratio;
    }
}

}  // namespace
}  // namespace sentrel
