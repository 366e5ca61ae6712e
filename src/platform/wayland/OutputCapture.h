#pragma once

#include <cstdint>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Reads one output of a Wayland session as composited, Sentrel's window
// included, in the output's own pixels.
class OutputCapture : public ScreenPixels {
public:
    // The size in pixels of the output read, 0 while unknown: window units
    // map onto its width.
    virtual std::int32_t OutputPixelWidth() = 0;
    virtual std::int32_t OutputPixelHeight() = 0;
};

}  // namespace sentrel
