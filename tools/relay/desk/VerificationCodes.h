#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sentrel::service {

// The codes a user can sign in with: issued ones are six digits from the
// system's random source, single-use and live for ten minutes; a standing
// code (for tests and demos) is accepted any number of times and never
// expires.
class VerificationCodes {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kLifetime = std::chrono::minutes(10);
    // Bounds the memory a visitor reloading the code page can take.
    static constexpr std::size_t kMaxLive = 1000;

    explicit VerificationCodes(std::optional<std::string> standingCode);

    std::string Issue(Clock::time_point now);
    // True when the code was live; an issued code is used up by this call.
    bool Redeem(std::string_view code, Clock::time_point now);

private:
    void DropExpired(Clock::time_point now);

    std::optional<std::string> standingCode_;
    std::map<std::string, Clock::time_point, std::less<>> expiries_;
};

}  // namespace sentrel::service
