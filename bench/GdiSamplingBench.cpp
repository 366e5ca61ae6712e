// A full monitoring pass's worth of screen reads (20 areas, each sampled
// twice) through GDI: the batched reader against one GetPixel per point,
// side by side in one run.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "PassTiming.h"

#include "platform/win32/GdiScreenReader.h"

using namespace sentrel;
using namespace sentrel::bench;

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

void Compare(const char* what, const std::vector<Area>& areas) {
    const SessionLock unlocked;
    GdiScreenReader batched(unlocked);
    GetPixelReader plain;
    const double fast = MillisecondsPerPass(batched, areas, 50);
    const double slow = MillisecondsPerPass(plain, areas, 5);
    std::printf("%-24s batched %8.3f ms/pass   GetPixel %8.2f ms/pass   %6.1fx faster\n", what, fast, slow,
                slow / fast);
}

}  // namespace

int main() {
    SetProcessDPIAware();
    std::vector<Area> small, large;
    BenchAreas(small, large);
    std::printf("20 areas, each sampled twice per pass\n");
    Compare("small areas, 81 points", small);
    Compare("large areas, 25 points", large);
    return 0;
}
