#pragma once

#include "monitor/Clock.h"

namespace sentrel {

class SystemClock : public Clock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
};

}  // namespace sentrel
