#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "monitor/MonitorPixels.h"
#include "monitor/ScreenPixels.h"

namespace sentrel {

// A mark that Sentrel's window paints in its top-left corner, for finding
// where the compositor put the window: a Wayland client is not told, and a
// maximised window lies below a top bar or beside a dock. Four blocks of
// colours that screens seldom show side by side, each a few window units
// square so that their centres keep their colour wherever a compositor
// filters the window as it scales it.
struct CornerMark {
    static constexpr int kBlockUnits = 3;
    // 0x00BBGGRR, left to right.
    static constexpr std::array<std::int32_t, 4> kColours = {0x03FE01, 0xFB02FC, 0xFA0605, 0x07F8F9};
    // How far from the output's corner the window's corner is looked for, in
    // the output's pixels.
    static constexpr int kSearchPixels = 256;

    // The output pixel of the window's top-left corner, found by reading the
    // screen once; none when the mark is nowhere in reach (the window hidden,
    // say). ratio: the output's pixels per window unit.
    static std::optional<ScreenPoint> Find(ScreenPixels& screen, double ratio);
    // Whether the mark is where a corner at `corner` puts it.
    static bool At(ScreenPixels& screen, ScreenPoint corner, double ratio);
};

}  // namespace sentrel
