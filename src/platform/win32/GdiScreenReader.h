#pragma once

#include <windows.h>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Reads screen pixels through GDI. A sample whose points lie in a small box
// is copied in one BitBlt into a DIB section and read from memory; points
// spread over a large box are read one GetPixel each, which then costs less
// than copying the box. The copy leaves out layered windows, Sentrel's own
// translucent veil among them, so what is read is the screen under it.
class GdiScreenReader : public ScreenPixels {
public:
    static constexpr long long kMaxBoxPixels = 256 * 256;

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;

private:
    void ReadBox(HDC screen, std::span<const ScreenPoint> points, std::span<std::int32_t> colours, const RECT& box);
};

}  // namespace sentrel
