#include "monitor/MonitorChoice.h"

#include <gtest/gtest.h>

#include "monitor/MonitorPixels.h"
#include "monitor/PassReads.h"
#include "monitor/SampleArea.h"
#include "support/FakeScreen.h"

namespace sentrel {
namespace {

// Window units land on the monitor's physical pixels: offset by its origin
// in the desktop (which may lie left of or above the primary one) and, at a
// ratio other than 1, at the pixel under each unit's centre.
TEST(MonitorPixels, MapsWindowUnitsToTheMonitorsPhysicalPixels) {
    const struct {
        MonitorPlacement at;
        ScreenPoint unit, pixel;
    } cases[] = {{{1920, 0, 1.0}, {10, 20}, {1930, 20}}, {{-1280, -200, 1.0}, {0, 0}, {-1280, -200}},
                 {{1920, 0, 2.0}, {10, 20}, {1941, 41}}, {{1920, 0, 1.5}, {0, 1}, {1920, 2}},
                 {{1920, 0, 1.5}, {3, 5}, {1925, 8}},    {{100, 0, 1.0}, {2147483600, 0}, {2147483647, 0}}};
    for (const auto& c : cases) {
        const ScreenPoint mapped = MonitorPixels::Map(c.unit, c.at);
        EXPECT_EQ(mapped, c.pixel) << c.at.x << "," << c.at.y << " x" << c.at.ratio << ": " << c.unit.x << ","
                                   << c.unit.y << " -> " << mapped.x << "," << mapped.y;
    }
}

// Placed once, as a pass begins, however many reads the pass makes.
TEST(MonitorPixels, IsPlacedOnceAPass) {
    testing::FakeScreen desktop(400, 100);
    int placed = 0;
    MonitorPixels screen(desktop, [&] { return ++placed, MonitorPlacement{100, 0, 1.0}; });
    PassReads reads(screen, MonitorState{});
    SampleArea(reads, 10, 10, 30, 30);
    SampleArea(reads, 20, 10, 40, 30);
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(desktop.batches.size(), 2u);
}

// Numbered left to right, then top to bottom, in whatever order the desktop
// lists them; the default is the monitor under the pointer.
TEST(MonitorChoice, NumbersMonitorsAsTheUserSeesThem) {
    const std::vector<MonitorArea> monitors = {{"primary", 0, 0, 1920, 1080},
                                               {"right", 1920, 0, 1280, 1024},
                                               {"left-top", -1280, -200, 1280, 800},
                                               {"left-bottom", -1280, 600, 1280, 800}};
    const std::pair<const char*, std::size_t> numbered[] = {{"0", 2}, {"1", 3}, {"2", 0}, {"3", 1}};
    for (const auto& [number, index] : numbered) {
        const MonitorChoice choice = ChooseMonitor(monitors, std::string(number), 0, 0);
        EXPECT_EQ(choice.index, index) << number;
        EXPECT_EQ(choice.error, "");
    }
    EXPECT_EQ(ChooseMonitor(monitors, std::nullopt, 2000, 1000).index, 1u);
    EXPECT_EQ(ChooseMonitor(monitors, std::nullopt, -5, 700).index, 3u);
    EXPECT_EQ(ChooseMonitor(monitors, std::nullopt, 5000, 5000).index, 2u) << "off every monitor: the first";

    for (const char* unknown : {"4", "-1", "x", "", "01"}) {
        const MonitorChoice choice = ChooseMonitor(monitors, std::string(unknown), 1930, 10);
        EXPECT_EQ(choice.index, 1u) << unknown;
        EXPECT_EQ(choice.error, "there is no monitor \"" + std::string(unknown) +
                                    "\"; the monitors found are:\n"
                                    "  0: left-top, 1280x800 at -1280,-200\n"
                                    "  1: left-bottom, 1280x800 at -1280,600\n"
                                    "  2: primary, 1920x1080 at 0,0\n"
                                    "  3: right, 1280x1024 at 1920,0\n"
                                    "starting on monitor 3");
    }
}

}  // namespace
}  // namespace sentrel
