#pragma once

#include <vector>

#include "platform/wayland/OutputCapture.h"

namespace sentrel {

// One copy of the output at the points a pass needs, taken at once so that
// what the pass learns (where the window lies, whether a locker covers it,
// what its areas show) comes from one frame and costs the compositor one
// copy. A point the copy does not hold is read from the output afresh.
class OutputCopy : public ScreenPixels {
public:
    explicit OutputCopy(OutputCapture& output) : output_(output) {}

    void Take(std::vector<ScreenPoint> points);
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    bool Seen() const override { return seen_; }

private:
    OutputCapture& output_;
    // Sorted, each once, with their colours.
    std::vector<ScreenPoint> points_;
    std::vector<std::int32_t> colours_;
    bool copySeen_ = true;
    bool seen_ = true;
};

}  // namespace sentrel
