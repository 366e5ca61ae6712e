#pragma once

#include "monitor/Clock.h"

namespace sentrel::testing {

// Time that moves only when the test says so.
class ManualClock : public Clock {
public:
    TimePoint Now() override { return now; }
    void Advance(std::chrono::milliseconds by) { now += by; }

    TimePoint now{};
};

}  // namespace sentrel::testing
