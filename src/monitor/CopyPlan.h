#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// A point to read, in the coordinates of the drawable (window, wallpaper,
// screen) that it is read from.
struct SourcePoint {
    std::size_t index;  // into the caller's batch
    int source;
    ScreenPoint at;
};

// One rectangle to copy from a source, at most one tile on a side.
struct CopyRect {
    int source;
    int left, top, width, height;
};

// Where a point of the batch lies in the copy of its rectangle.
struct PlacedPoint {
    std::size_t index;
    std::size_t rect;
    int x, y;
};

struct CopyPlan {
    std::vector<CopyRect> rects;
    std::vector<PlacedPoint> points;  // grouped by rectangle, in rectangle order
};

// What copying costs a backend: each copy, beside its pixels, costs about
// as much as copying requestCost pixels; no copy spans more than tile pixels
// either way.
struct CopyCosts {
    long long requestCost;
    int tile;
};

// Splits a batch of points (the areas of a whole pass, spread over the
// screen) into the rectangles a backend copies: per source and tile, one
// rectangle around its points, or one single-row rectangle per row of points
// where that costs less.
CopyPlan PlanCopies(std::span<const SourcePoint> points, CopyCosts costs);

}  // namespace sentrel
