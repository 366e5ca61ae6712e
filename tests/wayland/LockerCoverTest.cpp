#include "platform/wayland/LockerCover.h"

#include <gtest/gtest.h>

#include <vector>

namespace sentrel {
namespace {

constexpr std::int32_t kLocker = 0xFFFFFF, kDesktop = 0x3F3F3F, kOther = 0x2040A0;

// Captures one after another: the window shown, its mark seen, the grid's
// colour, its middle point's, its first point's when given, the corner's;
// whether a locker covers. A cover lasts from the capture that loses the mark
// to one flat colour until the mark is back, the window is hidden, or anything
// but its colour shows away from the middle, where the prompt a key brings up
// changes nothing. No cover: a flat desktop beneath a hidden window or one
// whose mark has not been seen since it was shown; a window over the mark on a
// desktop that is not flat; a capture with nothing in it.
TEST(LockerCover, CoversFromTheFlatCaptureUntilTheMarkIsBackOrAnythingButItsColourShows) {
    const struct {
        bool shown, markSeen;
        std::int32_t grid, middle, corner;
        bool covered;
        std::int32_t first = 0;
    } captures[] = {
        {true, false, kDesktop, kDesktop, kDesktop, false},  {true, true, kDesktop, kOther, kOther, false},
        {true, false, kLocker, kLocker, kLocker, true},      {true, false, kLocker, kOther, kLocker, true},
        {true, true, kDesktop, kOther, kOther, false},       {true, false, kLocker, kLocker, kLocker, true},
        {true, false, kDesktop, kOther, kOther, false},      {true, false, kLocker, kLocker, kLocker, true},
        {false, false, kLocker, kLocker, kLocker, false},    {true, true, kDesktop, kOther, kOther, false},
        {true, false, kLocker, kLocker, kLocker, true},      {true, false, kLocker, kLocker, kLocker, false, kOther},
        {false, false, kDesktop, kDesktop, kDesktop, false}, {true, false, kDesktop, kDesktop, kDesktop, false},
        {true, true, kDesktop, kDesktop, kOther, false},     {true, true, kDesktop, kOther, kOther, false},
        {true, false, kDesktop, kOther, kOther, false},      {true, false, -1, -1, -1, false}};
    LockerCover cover;
    int n = 0;
    for (const auto& c : captures) {
        std::vector<std::int32_t> colours(LockerCover::Points(1920, 1080, {0, 0}).size(), c.grid);
        colours[colours.size() / 2] = c.middle;
        colours.back() = c.corner;
        if (c.first != 0) colours.front() = c.first;
        EXPECT_EQ(cover.Covers(c.shown, c.markSeen, colours), c.covered) << "capture " << ++n;
    }
}

}  // namespace
}  // namespace sentrel
