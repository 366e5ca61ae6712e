#pragma once

#include <deque>

#include "monitor/RandomSource.h"

namespace sentrel::testing {

// Hands out the queued values, then `fallback`; counts the draws.
class ScriptedRandom : public RandomSource {
public:
    float NextUnit() override {
        ++draws;
        if (queue.empty()) return fallback;
        const float next = queue.front();
        queue.pop_front();
        return next;
    }

    std::deque<float> queue;
    float fallback = 0.5f;
    int draws = 0;
};

}  // namespace sentrel::testing
