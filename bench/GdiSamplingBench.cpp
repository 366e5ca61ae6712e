// A full monitoring pass's worth of screen reads (20 areas, each sampled
// twice) through GDI: the batched reader against one GetPixel per point,
// side by side in one run.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "monitor/SampleArea.h"
#include "platform/win32/GdiScreenReader.h"

using namespace sentrel;
using Clock = std::chrono::steady_clock;

namespace {

class GetPixelReader : public ScreenPixels {
public:
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        HDC screen = GetDC(nullptr);
        for (std::size_t i = 0; i < points.size(); ++i) {
            colours[i] = static_cast<std::int32_t>(GetPixel(screen, points[i].x, points[i].y));
        }
        ReleaseDC(nullptr, screen);
    }
};

struct Area {
    float x1, y1, x2, y2;
};

double MillisecondsPerPass(ScreenPixels& screen, const std::vector<Area>& areas, int passes) {
    volatile float sink = 0;
    const auto start = Clock::now();
    for (int pass = 0; pass < passes; ++pass) {
        for (const Area& a : areas) {
            sink = sink + SampleArea(screen, a.x1, a.y1, a.x2, a.y2);
            sink = sink + SampleArea(screen, a.x1, a.y1, a.x2, a.y2);
        }
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / passes;
}

void Compare(const char* what, const std::vector<Area>& areas) {
    GdiScreenReader batched;
    GetPixelReader plain;
    const double fast = MillisecondsPerPass(batched, areas, 50);
    const double slow = MillisecondsPerPass(plain, areas, 5);
    std::printf("%-38s batched %8.3f ms/pass   GetPixel %8.2f ms/pass   %6.1fx faster\n", what, fast, slow,
                slow / fast);
}

}  // namespace

int main() {
    SetProcessDPIAware();
    std::vector<Area> small, large;
    for (int i = 0; i < 20; ++i) {
        const auto x = static_cast<float>(60 + (i % 5) * 360), y = static_cast<float>(60 + (i / 5) * 240);
        small.push_back({x, y, x + 9, y + 9});
        large.push_back({x, y, x + 300, y + 220});
    }
    std::printf("20 areas, each sampled twice per pass\n");
    Compare("small areas, 81 points (one BitBlt)", small);
    Compare("large areas, 25 points (GetPixel each)", large);
    return 0;
}
