#include "platform/capture/WindowOnOutput.h"

#include "log/ToolLog.h"
#include "platform/windowkind/CornerMark.h"

namespace sentrel {
namespace {

// A hidden window's mark is nowhere: looked for again only this often.
constexpr std::chrono::seconds kSearchAgain{5};

// Whether a pass that no longer sees the mark at the corner searches the
// output for it: at once when the last pass saw it, since the window has most
// likely moved, and then only every kSearchAgain, since a search reads a
// large part of the output.
bool Searches(bool seenLastPass, std::chrono::steady_clock::duration sinceSearch) {
    return seenLastPass || sinceSearch >= kSearchAgain;
}

}  // namespace

double WindowOnOutput::PixelsPerUnit() {
    const std::int32_t pixels = output_.OutputPixelWidth();
    const int units = outputUnits_();
    return pixels > 0 && units > 0 ? static_cast<double>(pixels) / units : 1.0;
}

MonitorPlacement WindowOnOutput::Placement(ScreenPixels& copy) {
    const double ratio = PixelsPerUnit();
    const auto now = std::chrono::steady_clock::now();
    const bool seenLastPass = markSeen_;
    markSeen_ = CornerMark::At(copy, corner_, ratio);
    if (!markSeen_ && Searches(seenLastPass, now - searched_)) {
        searched_ = now;
        const auto found = CornerMark::Find(copy, ratio);
        markSeen_ = found.has_value();
        if (found && !(*found == corner_)) {
            corner_ = *found;
            Say("the window's corner is at pixel (" + std::to_string(corner_.x) + ", " + std::to_string(corner_.y) +
                ") of the output");
        }
    }
    return {corner_.x, corner_.y, ratio};
}

}  // namespace sentrel
