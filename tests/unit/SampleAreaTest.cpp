#include "monitor/SampleArea.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sentrel {
namespace {

std::vector<ScreenPoint> Points(std::initializer_list<int> xs, std::initializer_list<int> ys) {
    std::vector<ScreenPoint> points;
    for (const int y : ys) {
        for (const int x : xs) points.push_back({x, y});
    }
    return points;
}

TEST(SampleArea, GridsWalkRowsThenColumnsFromThePressCornerAndAlwaysEnd) {
    EXPECT_EQ(SampleGrid(100, 100, 200, 200), Points({101, 121, 141, 161, 181}, {101, 121, 141, 161, 181}));
    EXPECT_EQ(SampleGrid(200, 100, 100, 200), Points({201, 181, 161, 141, 121, 101}, {101, 121, 141, 161, 181}));
    // Corners off whole pixels, as a scaled window gives them: sides of
    // 25.75 and -19.5 round to 26 and -20, steps of 5.15 and -3.9 round
    // down, and points such as 106.5 round to the even neighbour.
    EXPECT_EQ(SampleGrid(100.5f, 200, 126.25f, 205), Points({102, 106, 112, 116, 122, 126}, {201, 202, 203, 204, 205}));
    EXPECT_EQ(SampleGrid(200, 100.25f, 180.5f, 94), Points({201, 197, 193, 189, 185, 181}, {101, 99, 97, 95}));
    // The step is a fifth of the rounded side: 9.6 gives 10 and a step of 2,
    // never 1 and ten samples.
    EXPECT_EQ(SampleGrid(100, 200, 109.6f, 205), Points({101, 103, 105, 107, 109}, {201, 202, 203, 204, 205}));
    // A side under 5 units in exact arithmetic rounds its step down to 0;
    // sides far beyond any screen are clamped to 16 bits.
    EXPECT_EQ(SampleGrid(0.1f, 0.1f, 5.0999999f, 5.0999999f), Points({1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}));
    EXPECT_EQ(SampleGrid(0, 0, 1e30f, -1e30f).back(), ScreenPoint(32766, -26215));
    EXPECT_TRUE(SampleGrid(0, 0, NAN, 5).empty());
}

// Past 2^24 each +1 is lost when the running sum is rounded to single
// precision after every addition; it would count were the sum rounded once.
TEST(SampleArea, SumIsRoundedToSinglePrecisionAfterEveryAddition) {
    std::vector<std::int32_t> colours(25, 1);
    colours[0] = 0xFFFFFF;
    EXPECT_EQ(SumColours(colours), 16777216.0f);
}

}  // namespace
}  // namespace sentrel
