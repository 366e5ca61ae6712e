#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "monitor/ScreenPixels.h"
#include "platform/wayland/OutputTransform.h"

namespace sentrel {

// A rectangle of an output's pixels, as its user sees them.
struct PixelRect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;

    bool Contains(ScreenPoint p) const { return p.x >= x && p.y >= y && p.x - x < width && p.y - y < height; }
    bool Contains(const PixelRect& r) const {
        return r.x >= x && r.y >= y && r.x + r.width <= x + width && r.y + r.height <= y + height;
    }
    std::int64_t Area() const { return std::int64_t{width} * height; }

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The few rectangles of an output to copy so that a read finds every one of
// its points on the output. Points that lie close together share a
// rectangle; a rectangle more is worth it only where it saves more pixels
// than a copy's own cost. The whole output when the points lie scattered in
// too many places to plan, or when the rectangles, with their copies' own
// cost, would cost more than half of it; none when no point lies on it.
std::vector<PixelRect> CaptureRegions(std::span<const ScreenPoint> points, PixelSize output);

}  // namespace sentrel
