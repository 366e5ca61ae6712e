#include "platform/x11/XcbScreenReader.h"

#include <gtest/gtest.h>

#include <random>

#include "monitor/SampleArea.h"
#include "monitor/ScaledScreenPixels.h"
#include "support/PaintedWindow.h"
#include "support/PixelByPixelReader.h"
#include "support/XvfbDisplay.h"

namespace sentrel {
namespace {

using testing::PaintedWindow;

class XcbScreenReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { display = new testing::XvfbDisplay(1920, 1080); }
    static void TearDownTestSuite() { delete display; }

    static testing::XvfbDisplay* display;
};

testing::XvfbDisplay* XcbScreenReaderTest::display = nullptr;

std::vector<std::int32_t> RandomColours(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::int32_t> colours(count);
    for (auto& c : colours) c = static_cast<std::int32_t>(random() & 0xFFFFFF);
    return colours;
}

TEST_F(XcbScreenReaderTest, ReadsTheExactColoursOfAPaintedWindow) {
    constexpr int kLeft = 300, kTop = 200, kWidth = 400, kHeight = 300;
    const std::vector<std::int32_t> colours = RandomColours(kWidth * kHeight, 1);
    const PaintedWindow window(kLeft, kTop, kWidth, kHeight, colours);
    XcbScreenReader reader;
    ASSERT_EQ(reader.Width(), 1920);

    // A small box (one image) and a spread of points (one request each).
    for (const int spread : {20, 400}) {
        std::vector<ScreenPoint> points;
        std::vector<std::int32_t> expected;
        for (int i = 0; i < 81; ++i) {
            const int x = (i * 37) % std::min(spread, kWidth), y = (i * 53) % std::min(spread, kHeight);
            points.push_back({kLeft + x, kTop + y});
            expected.push_back(colours[static_cast<std::size_t>(y * kWidth + x)]);
        }
        std::vector<std::int32_t> read(points.size());
        reader.Read(points, read);
        EXPECT_EQ(read, expected) << "spread " << spread;
    }
}

TEST_F(XcbScreenReaderTest, PointsOffTheScreenAreMinusOne) {
    const PaintedWindow window(1900, 1060, 20, 20, std::vector<std::int32_t>(400, 0x00FF00));
    XcbScreenReader reader;
    const std::vector<ScreenPoint> points = {{-1, 5}, {1919, 1079}, {1920, 1079}, {5, -1}, {5, 1080}, {100000, 5}};
    std::vector<std::int32_t> read(points.size());
    reader.Read(points, read);
    EXPECT_EQ(read, (std::vector<std::int32_t>{-1, 0x00FF00, -1, -1, -1, -1}));
}

TEST_F(XcbScreenReaderTest, AgreesWithAPixelByPixelReadOnRandomPoints) {
    const PaintedWindow window(0, 0, 960, 540, RandomColours(960 * 540, 2));
    XcbScreenReader batched;
    testing::PixelByPixelReader plain;
    std::mt19937 random(3);
    std::uniform_int_distribution<int> x(-50, 1000), y(-50, 600);
    for (int round = 0; round < 40; ++round) {
        std::vector<ScreenPoint> points(81);
        for (auto& p : points) p = {x(random), y(random)};
        std::vector<std::int32_t> fromBatch(81), fromPlain(81);
        batched.Read(points, fromBatch);
        plain.Read(points, fromPlain);
        ASSERT_EQ(fromBatch, fromPlain) << "round " << round;
    }
}

// At a device-pixel ratio of 2 an area framed in window units samples the
// physical pixels under it.
TEST_F(XcbScreenReaderTest, ScaledWindowUnitsReadThePhysicalPixelsUnderThem) {
    std::vector<std::int32_t> colours(200 * 200, 0x000080);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (x % 2 == 1 && y % 2 == 1) colours[static_cast<std::size_t>(y * 200 + x)] = 0x0000FF;
        }
    }
    const PaintedWindow window(400, 400, 200, 200, colours);
    XcbScreenReader reader;
    ScaledScreenPixels scaled(reader, [] { return 2.0; });
    // Window units (200, 200)-(290, 290) lie over physical (400, 400)-(580, 580).
    const float sum = SampleArea(scaled, 200, 200, 290, 290);
    EXPECT_EQ(sum, 25.0f * 0x0000FF);
}

}  // namespace
}  // namespace sentrel
