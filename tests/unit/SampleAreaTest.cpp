#include "monitor/SampleArea.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "support/FakeScreen.h"

namespace sentrel {
namespace {

using testing::FakeScreen;

std::vector<ScreenPoint> Points(std::initializer_list<int> xs, std::initializer_list<int> ys) {
    std::vector<ScreenPoint> points;
    for (const int y : ys) {
        for (const int x : xs) points.push_back({x, y});
    }
    return points;
}

std::vector<int> Columns(const std::vector<ScreenPoint>& grid) {
    std::vector<int> xs;
    for (const ScreenPoint& p : grid) {
        if (p.y == grid.front().y) xs.push_back(p.x);
    }
    return xs;
}

// Written straight from the sampling rule, one pixel read at a time, with
// 16-bit steps and offsets and the sum held in a float.
float ReferenceSample(const FakeScreen& screen, float x1, float y1, float x2, float y2) {
    const auto stepX = static_cast<std::int16_t>(std::floor((double(x2) - double(x1)) / 5));
    const auto stepY = static_cast<std::int16_t>(std::floor((double(y2) - double(y1)) / 5));
    const auto endY = static_cast<std::int16_t>(std::nearbyint(double(y2) - double(y1)));
    float sum = 0;
    std::int16_t l = 1;
    while (stepY >= 0 ? l <= endY : l >= endY) {
        const auto endX = static_cast<std::int16_t>(std::nearbyint(double(x2) - double(x1)));
        std::int16_t t = 1;
        while (stepX >= 0 ? t <= endX : t >= endX) {
            const auto py = static_cast<int>(std::nearbyint(double(y1) + l));
            const auto px = static_cast<int>(std::nearbyint(double(x1) + t));
            volatile double exact = double(sum) + double(screen.At(px, py));
            sum = static_cast<float>(exact);
            t = static_cast<std::int16_t>(t + stepX);
        }
        l = static_cast<std::int16_t>(l + stepY);
    }
    return sum;
}

bool BitIdentical(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(SampleArea, GridsWalkRowsThenColumnsFromThePressCorner) {
    EXPECT_EQ(SampleGrid(100, 100, 200, 200), Points({101, 121, 141, 161, 181}, {101, 121, 141, 161, 181}));
    EXPECT_EQ(SampleGrid(100, 100, 105, 105), Points({101, 102, 103, 104, 105}, {101, 102, 103, 104, 105}));
    EXPECT_EQ(SampleGrid(200, 100, 100, 200), Points({201, 181, 161, 141, 121, 101}, {101, 121, 141, 161, 181}));
    EXPECT_EQ(Columns(SampleGrid(100, 100, 94, 105)), (std::vector<int>{101, 99, 97, 95}));
}

// The number of samples along a side of w units, forward and backward,
// follows from the step rule alone.
TEST(SampleArea, SamplesPerSideFollowTheStepRule) {
    for (int w = 5; w <= 400; ++w) {
        const std::size_t forward = Columns(SampleGrid(1000, 10, 1000.0f + static_cast<float>(w), 20)).size();
        const std::size_t backward = Columns(SampleGrid(1000, 10, 1000.0f - static_cast<float>(w), 20)).size();
        const int forwardStep = w / 5;
        const int backwardStep = (w + 4) / 5;
        ASSERT_EQ(forward, static_cast<std::size_t>((w - 1) / forwardStep + 1)) << "w " << w;
        ASSERT_EQ(backward, static_cast<std::size_t>((w + 1) / backwardStep + 1)) << "w " << w;
        ASSERT_GE(forward, 5u);
        ASSERT_LE(forward, 9u);
        ASSERT_GE(backward, 4u);
        ASSERT_LE(backward, 7u);
    }
}

TEST(SampleArea, SumsMatchAnIndependentReferenceBitForBit) {
    std::mt19937 random(99);
    FakeScreen screen(640, 480);
    std::uniform_int_distribution<int> colour(0, 0xFFFFFF);
    std::uniform_int_distribution<int> x(-40, 680), y(-40, 520);
    std::uniform_int_distribution<int> quarter(0, 3);
    for (int round = 0; round < 400; ++round) {
        for (int py = 0; py < 480; py += 1 + round % 7) {
            for (int px = 0; px < 640; px += 1 + round % 5) screen.Set(px, py, colour(random));
        }
        for (int area = 0; area < 25; ++area) {
            float x1 = static_cast<float>(x(random)), y1 = static_cast<float>(y(random));
            float x2 = static_cast<float>(x(random)), y2 = static_cast<float>(y(random));
            if (std::fabs(x2 - x1) < 5) x2 = x1 + 5;
            if (std::fabs(y2 - y1) < 5) y2 = y1 - 5;
            // Some corners off whole pixels, as a scaled window could give.
            if (quarter(random) == 0 && std::fabs(x2 - x1) >= 6 && std::fabs(y2 - y1) >= 6) {
                x1 += 0.5f;
                y2 += 0.25f;
            }
            const float sum = SampleArea(screen, x1, y1, x2, y2);
            const float expected = ReferenceSample(screen, x1, y1, x2, y2);
            ASSERT_TRUE(BitIdentical(sum, expected))
                << x1 << "," << y1 << " " << x2 << "," << y2 << ": " << sum << " vs " << expected;
            ASSERT_TRUE(BitIdentical(sum, SampleArea(screen, x1, y1, x2, y2)));
        }
    }
}

TEST(SampleArea, OneBatchPerSampleAndMinusOneForEveryPointOffTheScreen) {
    FakeScreen screen(100, 100, 0x123456);
    EXPECT_EQ(SampleArea(screen, 200, 200, 300, 300), -25.0f);
    EXPECT_EQ(SampleArea(screen, -300, -300, -200, -200), -25.0f);
    ASSERT_EQ(screen.batches.size(), 2u);
    EXPECT_EQ(screen.batches[0].size(), 25u);

    FakeScreen black(100, 100, 0);
    EXPECT_EQ(SampleArea(black, 10, 10, 50, 50), 0.0f);
}

// White then 24 nearly black pixels: past 2^24 each +1 is rounded away
// when the sum is rounded after every addition, but counts when the sum is
// rounded once at the end.
TEST(SampleArea, SumIsRoundedToSinglePrecisionAfterEveryAddition) {
    std::vector<std::int32_t> colours(25, 1);
    colours[0] = 0xFFFFFF;
    const float stepwise = SumColours(colours);
    EXPECT_EQ(stepwise, 16777216.0f);
    EXPECT_EQ(static_cast<float>(0xFFFFFF + 24.0), 16777240.0f);

    float expected = 0;
    for (const std::int32_t c : colours) expected = static_cast<float>(double(expected) + c);
    EXPECT_TRUE(BitIdentical(stepwise, expected));
}

TEST(SampleArea, DegenerateCornersStillEnd) {
    // A side under 5 units in exact arithmetic rounds its step down to 0.
    const std::vector<ScreenPoint> grid = SampleGrid(0.1f, 0.1f, 5.0999999f, 5.0999999f);
    EXPECT_FALSE(grid.empty());
    EXPECT_LE(grid.size(), 36u);
    EXPECT_LE(SampleGrid(0, 0, 1e30f, -1e30f).size(), 81u);
    EXPECT_TRUE(SampleGrid(0, 0, NAN, 5).empty());
}

}  // namespace
}  // namespace sentrel
