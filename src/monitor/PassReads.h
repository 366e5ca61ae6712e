#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "monitor/MonitorState.h"
#include "monitor/ScreenPixels.h"

namespace sentrel {

// The screen as one monitoring pass sees it: the grids of the areas still
// counting are read together, so a pass costs the display one or two round
// trips instead of one per sample. The k-th read of an area's grid is served
// from the k-th shared read, which took that area and every one after it at
// once; each sample of an area therefore still comes after its previous one,
// and an area's first sample after everything the pass did before it. An
// alert request may take seconds, so what was read and settled before it is
// forgotten: the screen's pass begins again (the window may have moved, the
// session may have been locked meanwhile) and the areas after it read afresh.
class PassReads : public ScreenPixels {
public:
    // Watches areas 1..RegionCount that have not alerted, in order; the
    // screen's pass begins with it.
    PassReads(ScreenPixels& screen, const MonitorState& state);

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    bool Seen() const override { return seen_; }
    void Forget();

private:
    struct SharedRead {
        std::size_t first;  // the first area it took
        std::vector<std::int32_t> colours;
        std::vector<std::size_t> offsets;  // of each area's grid in colours, from first on
        bool seen;
    };
    // The watched area with this grid, at or after the one read last.
    std::size_t Find(std::span<const ScreenPoint> points);
    void ReadFrom(std::size_t first);

    ScreenPixels& screen_;
    std::vector<std::vector<ScreenPoint>> grids_;
    std::vector<std::size_t> taken_;
    std::vector<SharedRead> reads_;
    std::size_t current_ = 0;
    bool seen_ = true;
};

}  // namespace sentrel
