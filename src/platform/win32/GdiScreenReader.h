#pragma once

#include <windows.h>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Reads screen pixels through GDI: BitBlt copies the screen into a DIB
// section and the points are read from memory. BitBlt without CAPTUREBLT
// leaves layered windows out, Sentrel's own translucent veil among them, so
// what is read is the screen under it; GetPixel on the screen makes no such
// promise and is never used. The points are copied by the rectangles of
// their copy plan, so the screen between distant areas is never copied.
class GdiScreenReader : public ScreenPixels {
public:
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
};

}  // namespace sentrel
