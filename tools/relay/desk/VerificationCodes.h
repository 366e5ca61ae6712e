#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "relay/desk/PhoneBinding.h"

namespace sentrel::service {

// The codes a user can sign in with: issued ones are six digits from the
// system's random source, single-use and live for ten minutes; a standing
// code (for tests and demos) is accepted any number of times and never
// expires. An issued code carries the phone binding its alerts will go to;
// the standing code carries none.
class VerificationCodes {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kLifetime = std::chrono::minutes(10);
    // Bounds the memory a visitor reloading the code page can take.
    static constexpr std::size_t kMaxLive = 1000;

    explicit VerificationCodes(std::optional<std::string> standingCode);

    struct Redeemed {
        std::optional<PhoneBinding> binding;
    };

    std::string Issue(Clock::time_point now, std::optional<PhoneBinding> binding = std::nullopt);
    // What the code carried when it was live, else std::nullopt; an issued
    // code is used up by this call.
    std::optional<Redeemed> Redeem(std::string_view code, Clock::time_point now);
    // Binds a live issued code anew; false when it is not one.
    bool Rebind(std::string_view code, PhoneBinding binding, Clock::time_point now);

private:
    struct Live {
        Clock::time_point expiry;
        std::optional<PhoneBinding> binding;
    };
    void DropExpired(Clock::time_point now);

    std::optional<std::string> standingCode_;
    std::map<std::string, Live, std::less<>> live_;
};

}  // namespace sentrel::service
