#pragma once

namespace sentrel {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A single-precision value drawn uniformly from [0, 1).
    virtual float NextUnit() = 0;
};

}  // namespace sentrel
