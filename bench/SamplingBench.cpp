// A full monitoring pass's worth of screen reads (20 areas, each sampled
// twice) through the reader the tool uses, beside a one-request-per-pixel
// reader, on the same private Xvfb: 20 windows under the areas and, over
// everything, a full-screen window standing for Sentrel's, which the reader
// looks beneath.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "PassTiming.h"
#include "PixelByPixelReader.h"

#include "monitor/SampleArea.h"
#include "platform/x11/XcbScreenReader.h"
#include "support/PaintedWindow.h"
#include "support/XvfbDisplay.h"

using namespace sentrel;
using namespace sentrel::bench;
using Clock = std::chrono::steady_clock;

namespace {

// One bare round trip to the server: what any read costs at least.
double RoundTripMilliseconds(int count) {
    const XcbConnectionPtr connection(xcb_connect(nullptr, nullptr));
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        std::free(xcb_get_input_focus_reply(connection.get(), xcb_get_input_focus(connection.get()), nullptr));
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / count;
}

void Compare(const char* what, const std::vector<Area>& areas, XcbScreenReader& reader, PixelByPixelReader& plain) {
    std::size_t points = 0;
    for (const Area& a : areas) points += SampleGrid(a.x1, a.y1, a.x2, a.y2).size();
    const double fast = MillisecondsPerPass(reader, areas, 500);
    const double slow = MillisecondsPerPass(plain, areas, 5);
    std::printf("%-22s %4zu points x 2   reader %7.3f ms/pass   per-pixel %8.2f ms/pass   %6.1fx faster\n", what,
                points, fast, slow, slow / fast);
}

}  // namespace

int main() {
    testing::XvfbDisplay display(1920, 1080);
    std::mt19937 random(5);
    std::vector<std::unique_ptr<testing::PaintedWindow>> windows;
    for (int i = 0; i < 20; ++i) {
        std::vector<std::int32_t> colours(384 * 270);
        for (auto& c : colours) c = static_cast<std::int32_t>(random() & 0xFFFFFF);
        windows.push_back(std::make_unique<testing::PaintedWindow>((i % 5) * 384, (i / 5) * 270, 384, 270, colours));
    }
    const testing::PaintedWindow own(0, 0, 1920, 1080, std::vector<std::int32_t>(1920 * 1080, 0xFF0000));
    XcbScreenReader reader;
    reader.Exclude([&own] { return own.Id(); });
    PixelByPixelReader plain;
    std::vector<Area> small, large;
    BenchAreas(small, large);
    std::printf("Xvfb 1920x1080, 20 windows beneath a full-screen one, 20 areas each sampled twice per pass%s\n",
                reader.SeesBeneathWindows() ? "" : " (no Composite: reading the screen as shown)");
    std::printf("goals for the small areas: reader <= 1.0 ms/pass, >= 90x faster\n");
    Compare("small areas (9 x 9)", small, reader, plain);
    Compare("large areas (5 x 5)", large, reader, plain);
    std::printf("one bare round trip    %7.3f ms\n", RoundTripMilliseconds(2000));
    return 0;
}
