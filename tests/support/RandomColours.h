#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace sentrel::testing {

// Colours (0x00BBGGRR) that differ from pixel to pixel, the same for a seed
// on every run, so a reader that takes a neighbour's pixel is caught.
inline std::vector<std::int32_t> RandomColours(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::int32_t> colours(count);
    for (auto& c : colours) c = static_cast<std::int32_t>(random() & 0xFFFFFF);
    return colours;
}

}  // namespace sentrel::testing
