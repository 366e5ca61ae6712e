#include "platform/wayland/CaptureRegions.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace sentrel {

void PrintTo(const PixelRect& r, std::ostream* out) { *out << r.width << "x" << r.height << "+" << r.x << "+" << r.y; }

namespace {

// Points `step` apart over each box {x0, y0, x1, y1, step}, edges included.
std::vector<ScreenPoint> Grid(std::initializer_list<std::array<int, 5>> boxes) {
    std::vector<ScreenPoint> points;
    for (const auto [x0, y0, x1, y1, step] : boxes) {
        for (int y = y0; y <= y1; y += step) {
            for (int x = x0; x <= x1; x += step) points.push_back({x, y});
        }
    }
    return points;
}

// What a read needs copied of a 1920x1080 output, for points in a few places or all over it.
TEST(CaptureRegions, CopiesWhatTheReadNeeds) {
    struct Case {
        std::string name;
        std::vector<ScreenPoint> points;
        std::vector<PixelRect> regions;
    };
    std::vector<Case> cases = {
        {"NothingOnTheOutput", {{-1, 5}, {1920, 0}, {3, 1080}}, {}},
        {"TwoAreasFarApart",
         Grid({{100, 100, 160, 160, 6}, {1500, 800, 1530, 830, 5}}),
         {{100, 100, 61, 61}, {1500, 800, 31, 31}}},
        {"AreasSideBySideShareOne", Grid({{100, 100, 160, 160, 6}, {170, 100, 230, 160, 6}}), {{100, 100, 131, 61}}},
        {"PointsOverTheWholeOutput", Grid({{0, 0, 1919, 1079, 37}}), {{0, 0, 1920, 1080}}},
        {"ManyAreasFarApart", {}, {}},
        {"RowsOfScatteredPoints", {}, {}},
    };
    // 40 areas, each far from the next: 40 copies cost far less than the
    // whole output's one.
    for (int i = 0; i < 40 * 25; ++i) {
        cases[4].points.push_back({(i / 25 % 8) * 256 + i % 5 * 15, (i / 200) * 192 + i / 5 % 5 * 15});
        if (i % 25 == 0) cases[4].regions.push_back({cases[4].points.back().x, cases[4].points.back().y, 61, 61});
    }
    // Points a desktop-wide look takes, 120 pixels apart: a row each.
    for (int row = 0; row < 9; ++row) {
        for (int column = 0; column < 16; ++column) cases[5].points.push_back({60 + column * 120, 60 + row * 120});
        cases[5].regions.push_back({60, 60 + row * 120, 1801, 1});
    }
    for (const auto& [name, points, regions] : cases) EXPECT_EQ(CaptureRegions(points, {1920, 1080}), regions) << name;
}

}  // namespace
}  // namespace sentrel
