#pragma once

#include <cmath>
#include <cstdint>

#include "monitor/MouseButtons.h"

namespace sentrel {

// Modifier keys held during a mouse event, as flags.
inline constexpr std::int16_t kShiftMask = 1;
inline constexpr std::int16_t kCtrlMask = 2;
inline constexpr std::int16_t kAltMask = 4;

// The layout is drawn at this density; other densities scale it.
inline constexpr int kLayoutDpi = 96;

// A layout position on whole pixels at the given density: positions are
// kept unrounded in the model, and halves go to the even neighbour.
inline int LayoutPixels(float value, int dpi = kLayoutDpi) {
    return static_cast<int>(std::nearbyint(static_cast<double>(value) * dpi / kLayoutDpi));
}

// A font size in points as pixels at the given density. Pixel sizes keep
// text within the boxes the layout gives it.
inline int FontPixels(double points, int dpi = kLayoutDpi) {
    return static_cast<int>(std::lround(points * dpi / 72.0));
}

}  // namespace sentrel
