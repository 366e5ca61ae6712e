#include "platform/wayland/WindowOnOutput.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// The output's width in pixels over its width in window units; 1 while
// either is unknown.
TEST(WindowOnOutput, HasTheOutputsPixelsPerUnit) {
    const struct {
        std::int32_t pixels;
        int units;
        double ratio;
    } table[] = {{1920, 1920, 1}, {2560, 1280, 2}, {1920, 1280, 1.5}, {1366, 1093, 1366.0 / 1093},
                 {0, 1280, 1},    {1920, 0, 1}};
    for (const auto& [pixels, units, ratio] : table) {
        MarkedOutput output;
        output.width = pixels;
        WindowOnOutput window(output, [units = units] { return units; });
        EXPECT_DOUBLE_EQ(window.PixelsPerUnit(), ratio) << pixels << " pixels, " << units << " units";
    }
}

// Found from its mark below a bar; after that a read only checks that the
// mark is still there, and a hidden window keeps its place without being
// looked for at every read, its mark not seen.
TEST(WindowOnOutput, IsFoundFromItsMarkThenOnlyChecked) {
    MarkedOutput output;
    output.width = 1920;
    output.PaintMark({0, 45}, 1.5);
    WindowOnOutput window(output, [] { return 1280; });
    const auto expectBelowTheBar = [&] {
        output.screen.batches.clear();
        const MonitorPlacement placed = window.Placement();
        EXPECT_EQ(std::tuple(placed.x, placed.y, placed.ratio), std::tuple(0, 45, 1.5));
    };
    expectBelowTheBar();
    expectBelowTheBar();
    EXPECT_EQ(output.screen.batches.size(), 1u);
    EXPECT_TRUE(window.MarkSeen());
    output.screen.Fill(MarkedOutput::kBackground);
    expectBelowTheBar();
    EXPECT_EQ(output.screen.batches.size(), 1u);
    EXPECT_FALSE(window.MarkSeen());
    EXPECT_EQ(window.Corner(), ScreenPoint(0, 45));
}

}  // namespace
}  // namespace sentrel
