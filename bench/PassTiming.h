#pragma once

#include <chrono>
#include <vector>

#include "monitor/PassReads.h"
#include "monitor/SampleArea.h"

namespace sentrel::bench {

struct Area {
    float x1, y1, x2, y2;
};

// 20 small areas (9 x 9 samples: 81 points) and 20 large ones (5 x 5 samples
// spread over 300 x 220 pixels), laid out over a 1920 x 1080 screen.
inline void BenchAreas(std::vector<Area>& small, std::vector<Area>& large) {
    for (int i = 0; i < 20; ++i) {
        const auto x = static_cast<float>(60 + (i % 5) * 360), y = static_cast<float>(60 + (i / 5) * 240);
        small.push_back({x, y, x + 9, y + 9});
        large.push_back({x, y, x + 300, y + 220});
    }
}

// The time of one monitoring pass's reads: every area sampled twice, as
// the pass samples them.
inline double MillisecondsPerPass(ScreenPixels& screen, const std::vector<Area>& areas, int passes) {
    volatile float sink = 0;
    const auto start = std::chrono::steady_clock::now();
    MonitorState state;
    state.RegionCount = static_cast<std::int16_t>(areas.size());
    for (int n = 1; n <= state.RegionCount; ++n) {
        const Area& a = areas[static_cast<std::size_t>(n - 1)];
        state.RegionTable.Cell(n, RegionTable::kPressX) = a.x1;
        state.RegionTable.Cell(n, RegionTable::kPressY) = a.y1;
        state.RegionTable.Cell(n, RegionTable::kReleaseX) = a.x2;
        state.RegionTable.Cell(n, RegionTable::kReleaseY) = a.y2;
    }
    for (int pass = 0; pass < passes; ++pass) {
        PassReads reads(screen, state);
        for (const Area& a : areas) {
            sink = sink + SampleArea(reads, a.x1, a.y1, a.x2, a.y2);
            sink = sink + SampleArea(reads, a.x1, a.y1, a.x2, a.y2);
        }
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / passes;
}

}  // namespace sentrel::bench
