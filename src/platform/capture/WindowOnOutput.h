#pragma once

#include <chrono>
#include <functional>

#include "monitor/MonitorPixels.h"
#include "platform/wayland/OutputCapture.h"

namespace sentrel {

// Where Sentrel's window lies on the output read, so that window units map
// onto the output's pixels: found from the mark the window paints in its
// corner, checked once per pass, and kept while the mark cannot be seen
// (the window hidden, or covered there).
class WindowOnOutput {
public:
    // outputUnits: the output's width in window units (its logical width).
    WindowOnOutput(OutputCapture& output, std::function<int()> outputUnits)
        : output_(output), outputUnits_(std::move(outputUnits)) {}

    // The output's pixels per window unit; 1 until the output's size is known.
    double PixelsPerUnit();
    // Where the window lies for the pass about to begin, read from `copy`,
    // the pass's copy of the output.
    MonitorPlacement Placement(ScreenPixels& copy);
    // Whether the last placement saw the mark, and the output pixel where the
    // window's corner was last found.
    bool MarkSeen() const { return markSeen_; }
    ScreenPoint Corner() const { return corner_; }

private:
    OutputCapture& output_;
    std::function<int()> outputUnits_;
    ScreenPoint corner_{0, 0};
    bool markSeen_ = false;
    std::chrono::steady_clock::time_point searched_;
};

}  // namespace sentrel
