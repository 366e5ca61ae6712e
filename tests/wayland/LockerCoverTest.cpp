#include "platform/wayland/LockerCover.h"

#include <gtest/gtest.h>

#include <vector>

namespace sentrel {
namespace {

constexpr std::int32_t kLocker = 0xFFFFFF, kDesktop = 0x3F3F3F, kOther = 0x2040A0;

// One capture: the window shown or not, its mark seen or not, the grid all
// of one colour but at one point, and the colour at the window's corner.
struct Capture {
    bool shown, markSeen;
    std::int32_t grid, oddPoint, corner;
    bool covered;
};

void ExpectCovers(const std::vector<Capture>& captures) {
    LockerCover cover;
    int n = 0;
    for (const Capture& c : captures) {
        std::vector<std::int32_t> colours(LockerCover::Points(1920, 1080, {0, 0}).size(), c.grid);
        colours[colours.size() / 2] = c.oddPoint;
        colours.back() = c.corner;
        EXPECT_EQ(cover.Covers(c.shown, c.markSeen, colours), c.covered) << "capture " << ++n;
    }
}

// From the capture that loses the mark to one flat colour until the mark is
// back; the prompt a key brings up in the middle changes nothing.
TEST(LockerCover, CoversFromTheFlatCaptureUntilTheMarkIsBack) {
    ExpectCovers({{true, true, kDesktop, kOther, kOther, false},
                  {true, false, kLocker, kLocker, kLocker, true},
                  {true, false, kLocker, kOther, kLocker, true},
                  {true, true, kDesktop, kOther, kOther, false}});
}

// Not a locker: a flat desktop beneath a hidden window or one whose mark has
// not been seen since it was shown; a window over the mark on a desktop that
// is not flat; a capture with nothing in it.
TEST(LockerCover, IsNoFlatDesktopNorAWindowOverTheMark) {
    ExpectCovers({{false, false, kDesktop, kDesktop, kDesktop, false},
                  {true, false, kDesktop, kDesktop, kDesktop, false},
                  {true, true, kDesktop, kDesktop, kOther, false},
                  {false, false, kDesktop, kDesktop, kDesktop, false},
                  {true, false, kDesktop, kDesktop, kDesktop, false},
                  {true, true, kDesktop, kOther, kOther, false},
                  {true, false, kDesktop, kOther, kOther, false},
                  {true, false, -1, -1, -1, false}});
}

// Something other than the locker's colour away from the middle: the
// locker has gone and a window lies over the mark, or what covers the window
// is a video or a terminal that has shown something; hiding the window ends
// the cover.
TEST(LockerCover, EndsWhenAnythingButItsColourShowsAwayFromTheMiddle) {
    ExpectCovers({{true, true, kDesktop, kOther, kOther, false},
                  {true, false, kLocker, kLocker, kLocker, true},
                  {true, false, kDesktop, kOther, kOther, false},
                  {true, false, kLocker, kLocker, kLocker, true},
                  {false, false, kLocker, kLocker, kLocker, false}});
    LockerCover cover;
    std::vector<std::int32_t> colours(LockerCover::Points(1920, 1080, {0, 0}).size(), kDesktop);
    colours.back() = kOther;
    cover.Covers(true, true, colours);
    colours.assign(colours.size(), kLocker);
    ASSERT_TRUE(cover.Covers(true, false, colours));
    colours.front() = kOther;
    EXPECT_FALSE(cover.Covers(true, false, colours)) << "a line of text at the top left";
}

}  // namespace
}  // namespace sentrel
