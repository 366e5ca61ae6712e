#include "platform/x11/XcbScreenReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

#include "support/ChildProcess.h"
#include "support/PaintedWindow.h"
#include "support/RandomColours.h"
#include "support/SelectionOwner.h"
#include "support/XvfbDisplay.h"

namespace sentrel {
namespace {

using testing::PaintedWindow;
using testing::RandomColours;

struct Painting {
    int x, y, width, height;
    std::vector<std::int32_t> colours;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    std::int32_t At(int px, int py) const { return colours[static_cast<std::size_t>((py - y) * width + (px - x))]; }
};

// As desktops publish it, in _XROOTPMAP_ID; it lives as long as the connection.
XcbConnectionPtr SetWallpaper(const Painting& tile) {
    XcbConnectionPtr connection(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = connection.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_pixmap_t pixmap = testing::PaintPixmap(c, tile.width, tile.height, tile.colours);
    xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    const auto atom = TakeReply(xcb_intern_atom_reply, c, xcb_intern_atom(c, 0, 13, "_XROOTPMAP_ID"));
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return connection;
}

class XcbScreenReaderTest : public ::testing::TestWithParam<bool> {};

// Windows and a wallpaper beneath a full-screen window standing for
// Sentrel's, with or without a compositor, as windows move, map and close.
TEST_P(XcbScreenReaderTest, ReadsTheScreenBeneathTheExcludedWindow) {
    testing::XvfbDisplay display(1920, 1080);
    std::unique_ptr<testing::ChildProcess> compositor;
    if (GetParam()) {
        compositor =
            std::make_unique<testing::ChildProcess>(std::vector<std::string>{"/usr/bin/picom", "--backend", "xrender"});
        ASSERT_TRUE(testing::WaitForSelectionOwner("_NET_WM_CM_S0", std::chrono::seconds(10)));
    }
    // A bare root publishes no wallpaper to read beneath Sentrel's window.
    const ScreenPoint corner{5, 5};
    std::int32_t bare = 0;
    XcbScreenReader().Read({&corner, 1}, {&bare, 1});
    EXPECT_EQ(bare, ScreenPixels::kUnreadable);
    const Painting tile{0, 0, 64, 48, RandomColours(64 * 48, 1)};
    const XcbConnectionPtr wallpaper = SetWallpaper(tile);
    // Top first: one overlapping another, one hanging off the screen's corner.
    std::vector<Painting> paintings = {{300, 250, 300, 200, RandomColours(300 * 200, 2)},
                                       {100, 100, 400, 300, RandomColours(400 * 300, 3)},
                                       {1800, 1000, 300, 200, RandomColours(300 * 200, 4)}};
    std::vector<std::unique_ptr<PaintedWindow>> windows;
    for (auto p = paintings.rbegin(); p != paintings.rend(); ++p) {
        windows.insert(windows.begin(), std::make_unique<PaintedWindow>(p->x, p->y, p->width, p->height, p->colours));
    }
    const PaintedWindow own(0, 0, 1920, 1080, std::vector<std::int32_t>(1920 * 1080, 0xFF0000));
    XcbScreenReader reader;
    ASSERT_TRUE(reader.SeesBeneathWindows());
    reader.Exclude([&own] { return own.Id(); });

    std::mt19937 random(5);
    std::uniform_int_distribution<int> x(-20, 1940), y(-20, 1100);
    const auto expectExact = [&](const char* when) {
        // A spread of points (one image per row) and a small box (one image).
        for (const int spread : {2000, 30}) {
            std::vector<ScreenPoint> points(400);
            std::vector<std::int32_t> expected;
            for (auto& p : points) {
                p = spread > 100 ? ScreenPoint{x(random), y(random)}
                                 : ScreenPoint{285 + x(random) % spread, 235 + y(random) % spread};
                const bool onScreen = p.x >= 0 && p.y >= 0 && p.x < 1920 && p.y < 1080;
                std::int32_t colour = onScreen ? tile.At(p.x % 64, p.y % 48) : -1;
                for (auto w = paintings.rbegin(); w != paintings.rend() && onScreen; ++w) {
                    if (w->Contains(p.x, p.y)) colour = w->At(p.x, p.y);
                }
                expected.push_back(colour);
            }
            std::vector<std::int32_t> read(points.size());
            reader.Read(points, read);
            ASSERT_EQ(read, expected) << when << ", spread " << spread;
        }
    };
    expectExact("as painted");
    windows[0]->Move(250, 150);
    paintings[0].x = 250, paintings[0].y = 150;
    expectExact("after a move");
    windows.erase(windows.begin());
    paintings.erase(paintings.begin());
    expectExact("after a close");
    paintings.insert(paintings.begin(), {700, 300, 50, 50, RandomColours(50 * 50, 6)});
    const PaintedWindow mapped(700, 300, 50, 50, paintings.front().colours);
    expectExact("after a map");
}

INSTANTIATE_TEST_SUITE_P(Compositor, XcbScreenReaderTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& compositor) {
                             return compositor.param ? "picom" : "none";
                         });

}  // namespace
}  // namespace sentrel
