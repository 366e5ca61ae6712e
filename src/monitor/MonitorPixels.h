#pragma once

#include <cmath>
#include <functional>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Maps window units to the physical screen pixels under them when the
// window is drawn at a device-pixel ratio other than 1: the pixel at the
// centre of each window unit is read.
class ScaledScreenPixels : public ScreenPixels {
public:
    // ratio: the window's current device-pixel ratio, asked on every read
    // since the window may move to a screen of another density.
    ScaledScreenPixels(ScreenPixels& physical, std::function<double()> ratio)
        : physical_(physical), ratio_(std::move(ratio)) {}

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        const double ratio = ratio_();
        if (ratio == 1.0) {
            physical_.Read(points, colours);
            return;
        }
        scaled_.resize(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            scaled_[i] = ScreenPoint{Scale(points[i].x, ratio), Scale(points[i].y, ratio)};
        }
        physical_.Read(scaled_, colours);
    }

private:
    static std::int32_t Scale(std::int32_t unit, double ratio) {
        return static_cast<std::int32_t>(std::floor((unit + 0.5) * ratio));
    }

    ScreenPixels& physical_;
    std::function<double()> ratio_;
    std::vector<ScreenPoint> scaled_;
};

}  // namespace sentrel
