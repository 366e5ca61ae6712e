#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// The grid of screen points sampled inside an area given by its press corner
// (x1, y1) and release corner (x2, y2), in the order they are summed: rows
// outer, columns inner, each walked from one unit past the press corner
// towards the release corner in steps of a fifth of the side (rounded down).
// Sides are rounded half to even before either. A step of 0 (only for a side
// under 5) is taken as 1 in the drag's direction so the walk always ends.
std::vector<ScreenPoint> SampleGrid(float x1, float y1, float x2, float y2);

// The colours added in order, the running sum rounded to single precision
// after every addition, exactly as change detection expects.
float SumColours(std::span<const std::int32_t> colours);

// Reads the area's grid from the screen in one call and sums it.
float SampleArea(ScreenPixels& screen, float x1, float y1, float x2, float y2);

}  // namespace sentrel
