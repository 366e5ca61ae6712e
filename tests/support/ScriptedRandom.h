#pragma once

#include <deque>

#include "monitor/RandomSource.h"

namespace sentrel::testing {

// Hands out the queued values, then 0.5.
class ScriptedRandom : public RandomSource {
public:
    float NextUnit() override {
        if (queue.empty()) return 0.5f;
        const float next = queue.front();
        queue.pop_front();
        return next;
    }

    std::deque<float> queue;
};

}  // namespace sentrel::testing
