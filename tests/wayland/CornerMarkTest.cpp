#include "platform/windowkind/CornerMark.h"

#include <gtest/gtest.h>

#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// Found to the pixel wherever in reach the window lies, at any scale; one
// block further right, the mark is not where the corner would put it.
TEST(CornerMark, IsFoundAtTheWindowsCornerAtAnyScale) {
    const struct {
        ScreenPoint corner;
        double ratio;
    } table[] = {{{0, 0}, 1}, {{0, 30}, 1}, {{0, 45}, 1.5}, {{0, 64}, 2}, {{37, 5}, 1.25}, {{255, 255}, 3}};
    for (const auto& [corner, ratio] : table) {
        MarkedOutput output;
        output.PaintMark(corner, ratio);
        EXPECT_EQ(CornerMark::Find(output, ratio), corner) << "at " << corner.y << ", scale " << ratio;
        EXPECT_TRUE(CornerMark::At(output, corner, ratio)) << "at " << corner.y << ", scale " << ratio;
        const int block = static_cast<int>(CornerMark::kBlockUnits * ratio);
        EXPECT_FALSE(CornerMark::At(output, {corner.x + block, corner.y}, ratio)) << "scale " << ratio;
    }
}

// No mark, one out of reach, one of another scale or one partly covered is
// not a mark.
TEST(CornerMark, IsNotFoundWhereItIsNot) {
    MarkedOutput output;
    EXPECT_EQ(CornerMark::Find(output, 1), std::nullopt);
    output.PaintMark({CornerMark::kSearchPixels + CornerMark::kBlockUnits, 0}, 1);
    EXPECT_EQ(CornerMark::Find(output, 1), std::nullopt);
    output.PaintMark({0, 10}, 2);
    EXPECT_EQ(CornerMark::Find(output, 1), std::nullopt);
    EXPECT_EQ(CornerMark::Find(output, 2), ScreenPoint(0, 10));
    output.PaintMark({100, 100}, 1, 3);
    EXPECT_FALSE(CornerMark::At(output, {100, 100}, 1));
}

}  // namespace
}  // namespace sentrel
