#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Where the window's units fall on the whole desktop: the physical origin of
// the monitor it covers, and its device-pixel ratio there.
struct MonitorPlacement {
    std::int32_t x = 0, y = 0;
    double ratio = 1.0;
};

// Maps window units to the physical desktop pixels under them: offset by the
// monitor's origin, and at a ratio other than 1 the pixel at the centre of
// each window unit.
class MonitorPixels : public ScreenPixels {
public:
    // Placed anew at each pass, since the window may move to another monitor
    // or the monitor change its density, but not at each read: finding the
    // window may itself read the screen.
    MonitorPixels(ScreenPixels& desktop, std::function<MonitorPlacement()> placement)
        : desktop_(desktop), placement_(std::move(placement)) {}

    void BeginPass() override {
        at_ = placement_();
        desktop_.BeginPass();
    }

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        if (at_.x == 0 && at_.y == 0 && at_.ratio == 1.0) {
            desktop_.Read(points, colours);
            return;
        }
        mapped_.resize(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) mapped_[i] = Map(points[i], at_);
        desktop_.Read(mapped_, colours);
    }

    bool Seen() const override { return desktop_.Seen(); }

    static ScreenPoint Map(ScreenPoint unit, const MonitorPlacement& at) {
        return {Place(at.x, unit.x, at.ratio), Place(at.y, unit.y, at.ratio)};
    }

private:
    // Far-off units land far off the desktop, where nothing is read, rather
    // than wrap around onto it.
    static std::int32_t Place(std::int32_t origin, std::int32_t unit, double ratio) {
        const double scaled = ratio == 1.0 ? unit : std::floor((unit + 0.5) * ratio);
        return static_cast<std::int32_t>(std::clamp(origin + scaled, -2147483648.0, 2147483647.0));
    }

    ScreenPixels& desktop_;
    std::function<MonitorPlacement()> placement_;
    MonitorPlacement at_;
    std::vector<ScreenPoint> mapped_;
};

}  // namespace sentrel
