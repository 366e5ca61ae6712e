#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// A screen locker that tells no one (swaylock started by hand), recognised
// from the captures alone: it lays one surface over the whole output, so
// Sentrel's shown window, whose corner mark has been seen, loses its mark and
// the output turns one flat colour at once. A desktop that is flat all along
// is no lock: while the window is shown its mark is seen on it. The cover
// lasts until the mark is seen again, the window is hidden (then nothing
// tells), or something other than the locker's colour shows anywhere but in
// the middle of the output, where a locker draws its prompt as keys are
// pressed. A full-screen video or a dark terminal over the window may look
// flat for a moment, but as soon as it shows anything else away from the
// middle it is no cover.
class LockerCover {
public:
    // A sparse grid over an output of this many pixels, then the pixel at
    // the window's corner, where the mark is.
    static std::vector<ScreenPoint> Points(std::int32_t width, std::int32_t height, ScreenPoint corner);

    // Takes one capture: whether the window is shown, whether its mark was
    // seen, and the colours at Points. True while a locker covers the output.
    bool Covers(bool windowShown, bool markSeen, std::span<const std::int32_t> colours);

private:
    bool markSeenSinceShown_ = false;
    bool covered_ = false;
    std::int32_t coverColour_ = ScreenPixels::kUnreadable;
};

}  // namespace sentrel
