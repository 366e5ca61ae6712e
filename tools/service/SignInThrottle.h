#pragma once

#include <chrono>
#include <map>
#include <string>

namespace sentrel::service {

// Limits guesses at verification codes per client address: after kMaxMisses
// wrong codes within kWindow, that address is refused every code, right or
// wrong, until kWindow has passed since its last miss. Six digits allow a
// million codes; unlimited guesses would find a live one within its ten
// minutes.
class SignInThrottle {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxMisses = 5;
    static constexpr Clock::duration kWindow = std::chrono::minutes(10);
    // Bounds the memory guesses from many addresses can take.
    static constexpr std::size_t kMaxTracked = 10000;

    bool Allows(const std::string& client, Clock::time_point now);
    void Missed(const std::string& client, Clock::time_point now);

private:
    struct Misses {
        int count = 0;
        Clock::time_point last;
    };
    std::map<std::string, Misses> misses_;
};

}  // namespace sentrel::service
