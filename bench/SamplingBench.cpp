// A full monitoring pass's worth of screen reads (20 areas, each sampled
// twice) with the batched xcb reader and with a one-request-per-pixel
// reader, side by side on the same private Xvfb.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "PassTiming.h"

#include "platform/x11/XcbScreenReader.h"
#include "support/PaintedWindow.h"
#include "support/PixelByPixelReader.h"
#include "support/XvfbDisplay.h"

using namespace sentrel;
using namespace sentrel::bench;
using Clock = std::chrono::steady_clock;

namespace {

// The least a pass can cost with one call per sample: one bare round trip
// to the server for each of its 40 samples.
double RoundTripFloorPerPass(int passes) {
    const XcbConnectionPtr connection(xcb_connect(nullptr, nullptr));
    const auto start = Clock::now();
    for (int i = 0; i < passes * 40; ++i) {
        std::free(xcb_get_input_focus_reply(connection.get(), xcb_get_input_focus(connection.get()), nullptr));
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / passes;
}

void Compare(const char* what, const std::vector<Area>& areas, XcbScreenReader& batched,
             testing::PixelByPixelReader& plain) {
    std::size_t points = 0;
    for (const Area& a : areas) points += SampleGrid(a.x1, a.y1, a.x2, a.y2).size();
    const double fast = MillisecondsPerPass(batched, areas, 200);
    const double slow = MillisecondsPerPass(plain, areas, 10);
    std::printf("%-34s %4zu points x 2   batched %7.3f ms/pass   per-pixel %8.2f ms/pass   %6.1fx faster\n", what,
                points, fast, slow, slow / fast);
}

}  // namespace

int main() {
    testing::XvfbDisplay display(1920, 1080);
    std::mt19937 random(5);
    std::vector<std::int32_t> colours(1920 * 1080);
    for (auto& c : colours) c = static_cast<std::int32_t>(random() & 0xFFFFFF);
    const testing::PaintedWindow screen(0, 0, 1920, 1080, colours);

    XcbScreenReader batched;
    testing::PixelByPixelReader plain;
    std::vector<Area> small, large;
    BenchAreas(small, large);
    std::printf("Xvfb 1920x1080, 20 areas, each sampled twice per pass\n");
    Compare("small areas (one image per sample)", small, batched, plain);
    Compare("large areas (one image per row)", large, batched, plain);
    std::printf("round-trip floor (40 bare requests) %7.3f ms/pass\n", RoundTripFloorPerPass(200));
    return 0;
}
