#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// The samples of one monitoring pass, read in as few calls to the screen as
// the pass needs. The k-th sample that an area asks for comes from the k-th
// read, which takes the grids of that area and of every area watched after
// it at once. Each sample of an area is still read after its previous one,
// and a pass costs the display one or two round trips instead of one per
// sample.
class PassSampler {
public:
    explicit PassSampler(ScreenPixels& screen) : screen_(screen) {}

    // Areas are watched, then sampled, in the order of their numbers.
    void Watch(int n, float x1, float y1, float x2, float y2);
    // The next sample of area n: its grid's colours summed.
    float Sample(int n);

private:
    struct Read {
        std::size_t first;  // the first area slot it covers
        std::vector<float> sums;
    };
    void ReadFrom(std::size_t first);

    ScreenPixels& screen_;
    std::map<int, std::size_t> slots_;
    std::vector<std::vector<ScreenPoint>> grids_;
    std::vector<std::size_t> taken_;
    std::vector<Read> reads_;
};

}  // namespace sentrel
