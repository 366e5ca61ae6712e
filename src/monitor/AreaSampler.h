#pragma once

namespace sentrel {

// What the monitoring pass samples an area through: the window's
// SampleArea, over the two corners as the area table holds them.
class AreaSampler {
public:
    virtual ~AreaSampler() = default;
    virtual float SampleArea(float x1, float y1, float x2, float y2) = 0;
    // Whether the last SampleArea saw the screen.
    virtual bool Seen() const = 0;
};

}  // namespace sentrel
