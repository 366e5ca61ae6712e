#pragma once

#include <cstdint>
#include <random>

#include "monitor/RandomSource.h"

namespace sentrel {

// Seeded once from the system's entropy: reseeding from the clock before
// each draw, two alerts in the same instant could get the same number.
class SystemRandom : public RandomSource {
public:
    SystemRandom() : engine_(std::random_device{}()) {}

    // 24 random bits over 2^24: every float in [0, 1) that this can give is
    // exact, and 1 itself never comes.
    float NextUnit() override {
        return static_cast<float>(std::uniform_int_distribution<std::uint32_t>(0, (1u << 24) - 1)(engine_)) /
               16777216.0f;
    }

private:
    std::mt19937 engine_;
};

}  // namespace sentrel
