#include "platform/capture/WindowOnOutput.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <utility>

#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// The output's width in pixels over its width in window units (1.5 in the
// test below); 1 while either is unknown.
TEST(WindowOnOutput, HasOnePixelPerUnitWhileAWidthIsUnknown) {
    for (const auto& [pixels, units] : {std::pair{0, 1280}, std::pair{1920, 0}}) {
        MarkedOutput output;
        output.width = pixels;
        WindowOnOutput window(output, [units = units] { return units; });
        EXPECT_DOUBLE_EQ(window.PixelsPerUnit(), 1) << pixels << " pixels, " << units << " units";
    }
}

// Placed once per pass, found from its mark below a bar, then only checked.
// A mark gone is looked for at once (the window has likely moved); a window
// that stays hidden keeps its place and is not looked for at every pass.
TEST(WindowOnOutput, IsFoundFromItsMarkThenOnlyCheckedEachPass) {
    const struct {
        std::optional<ScreenPoint> mark;
        ScreenPoint corner;
        bool seen;
        std::size_t reads;
    } passes[] = {{ScreenPoint{0, 45}, {0, 45}, true, 3},     {ScreenPoint{0, 45}, {0, 45}, true, 1},
                  {ScreenPoint{100, 80}, {100, 80}, true, 3}, {std::nullopt, {100, 80}, false, 2},
                  {std::nullopt, {100, 80}, false, 1},        {ScreenPoint{100, 80}, {100, 80}, true, 1}};
    MarkedOutput output;
    output.width = 1920;
    WindowOnOutput window(output, [] { return 1280; });
    int pass = 0;
    for (const auto& [mark, corner, seen, reads] : passes) {
        output.screen.Fill(MarkedOutput::kBackground);
        if (mark) output.PaintMark(*mark, 1.5);
        output.screen.batches.clear();
        const MonitorPlacement placed = window.Placement(output);
        EXPECT_EQ(std::tuple(placed.x, placed.y, placed.ratio), std::tuple(corner.x, corner.y, 1.5)) << "pass " << pass;
        EXPECT_EQ(window.MarkSeen(), seen) << "pass " << pass;
        EXPECT_EQ(output.screen.batches.size(), reads) << "pass " << pass;
        ++pass;
    }
}

}  // namespace
}  // namespace sentrel
