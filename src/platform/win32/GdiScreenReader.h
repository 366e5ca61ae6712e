#pragma once

#include <windows.h>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Reads screen pixels through GDI: BitBlt copies the screen into a DIB
// section and the points are read from memory. BitBlt without CAPTUREBLT
// leaves layered windows out, Sentrel's own translucent veil among them, so
// what is read is the screen under it; GetPixel on the screen makes no such
// promise and is never used. Points in a small box cost one copy of the box;
// points spread over a large box cost one single-row copy per row holding
// points, from the leftmost point's column to the rightmost, so the screen
// between distant rows is never copied.
class GdiScreenReader : public ScreenPixels {
public:
    // Above this many pixels in the points' bounding box, copying only the
    // rows that hold points moves less.
    static constexpr long long kMaxBoxPixels = 256 * 256;

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
};

}  // namespace sentrel
