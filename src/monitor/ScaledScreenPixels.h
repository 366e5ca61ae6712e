#pragma once

#include <cmath>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Maps window units to the physical screen pixels under them when the
// window is drawn at a device-pixel ratio other than 1: the pixel at the
// centre of each window unit is read.
class ScaledScreenPixels : public ScreenPixels {
public:
    ScaledScreenPixels(ScreenPixels& physical, double ratio) : physical_(physical), ratio_(ratio) {}

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        if (ratio_ == 1.0) {
            physical_.Read(points, colours);
            return;
        }
        scaled_.resize(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            scaled_[i] = ScreenPoint{Scale(points[i].x), Scale(points[i].y)};
        }
        physical_.Read(scaled_, colours);
    }

private:
    std::int32_t Scale(std::int32_t unit) const { return static_cast<std::int32_t>(std::floor((unit + 0.5) * ratio_)); }

    ScreenPixels& physical_;
    double ratio_;
    std::vector<ScreenPoint> scaled_;
};

}  // namespace sentrel
