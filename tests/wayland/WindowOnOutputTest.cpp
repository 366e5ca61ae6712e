#include "platform/capture/WindowOnOutput.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <utility>

#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// Placed once per pass, found from its mark below a bar, then only checked.
// A mark gone is looked for at once (the window has likely moved); a window
// that stays hidden keeps its place and is not looked for at every pass.
// Its scale is the output's width in pixels over its width in window units
// (1.5 here); 1 while either is unknown.
TEST(WindowOnOutput, HasItsScaleAndIsFoundFromItsMarkThenOnlyCheckedEachPass) {
    const struct {
        std::optional<ScreenPoint> mark;
        ScreenPoint corner;
        bool seen;
        std::size_t reads;
    } passes[] = {{ScreenPoint{0, 45}, {0, 45}, true, 3},     {ScreenPoint{0, 45}, {0, 45}, true, 1},
                  {ScreenPoint{100, 80}, {100, 80}, true, 3}, {std::nullopt, {100, 80}, false, 2},
                  {std::nullopt, {100, 80}, false, 1},        {ScreenPoint{100, 80}, {100, 80}, true, 1}};
    MarkedOutput output;
    int units = 0;
    WindowOnOutput window(output, [&] { return units; });
    output.width = 1920;
    EXPECT_DOUBLE_EQ(window.PixelsPerUnit(), 1) << "units unknown";
    std::tie(output.width, units) = std::pair(0, 1280);
    EXPECT_DOUBLE_EQ(window.PixelsPerUnit(), 1) << "pixels unknown";
    output.width = 1920;
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
