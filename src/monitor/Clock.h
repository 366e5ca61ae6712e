#pragma once

#include <chrono>

namespace sentrel {

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint Now() = 0;
};

}  // namespace sentrel
