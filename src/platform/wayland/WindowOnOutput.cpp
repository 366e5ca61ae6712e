#include "platform/wayland/WindowOnOutput.h"

#include <cstdio>

#include "platform/wayland/CornerMark.h"

namespace sentrel {
namespace {

// A hidden window's mark is nowhere: looked for again only this often.
constexpr std::chrono::seconds kSearchAgain{5};

}  // namespace

double WindowOnOutput::PixelsPerUnit() {
    const std::int32_t pixels = output_.OutputPixelWidth();
    const int units = outputUnits_();
    return pixels > 0 && units > 0 ? static_cast<double>(pixels) / units : 1.0;
}

MonitorPlacement WindowOnOutput::Placement() {
    const double ratio = PixelsPerUnit();
    const auto now = std::chrono::steady_clock::now();
    markSeen_ = CornerMark::At(output_, corner_, ratio);
    if (!markSeen_ && now - searched_ >= kSearchAgain) {
        searched_ = now;
        const auto found = CornerMark::Find(output_, ratio);
        markSeen_ = found.has_value();
        if (found && !(*found == corner_)) {
            corner_ = *found;
            std::fprintf(stderr, "sentrel: the window's corner is at pixel (%d, %d) of the output\n", corner_.x,
                         corner_.y);
        }
    }
    return {corner_.x, corner_.y, ratio};
}

}  // namespace sentrel
