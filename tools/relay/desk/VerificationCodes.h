#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "relay/desk/PhoneBinding.h"

namespace sentrel::service {

// The codes a user can sign in with: issued ones are six digits from the
// system's random source, single-use and live for ten minutes; a standing
// code (for tests and demos) is accepted any number of times and never
// expires. An issued code carries the phone binding its alerts will go to;
// the standing code carries none.
//
// Codes the code page hands out are bounded, the oldest making way; codes
// handed to whoever started the service are not, so that reloading the page
// cannot take the code the user is reading. A code that left lately (used,
// expired or made way) is remembered a while, so that a late try with it is
// told apart from a guess.
class VerificationCodes {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kLifetime = std::chrono::minutes(10);
    // Bounds the memory a visitor reloading the code page can take.
    static constexpr std::size_t kMaxLive = 1000;
    // Codes that left are remembered for kLifetime, at most this many.
    static constexpr std::size_t kMaxLeft = 20000;

    explicit VerificationCodes(std::optional<std::string> standingCode);

    struct Redeemed {
        std::optional<PhoneBinding> binding;
    };

    // A code for the code page.
    std::string Issue(Clock::time_point now, std::optional<PhoneBinding> binding = std::nullopt);
    // A code for whoever started the service, which no other code pushes out.
    std::string IssueKept(Clock::time_point now, std::optional<PhoneBinding> binding = std::nullopt);
    // What the code carries while it is live, else std::nullopt; the code
    // stays live until Use.
    std::optional<Redeemed> Find(std::string_view code, Clock::time_point now);
    void Use(std::string_view code, Clock::time_point now);
    // Binds a live issued code anew; false when it is not one.
    bool Rebind(std::string_view code, PhoneBinding binding, Clock::time_point now);
    // True for an issued code that is no longer live but left lately.
    bool LeftLately(std::string_view code, Clock::time_point now);

private:
    struct Live {
        Clock::time_point expiry;
        std::optional<PhoneBinding> binding;
        bool kept = false;
    };
    std::string Add(Live live);
    void DropExpired(Clock::time_point now);
    void Leave(std::map<std::string, Live, std::less<>>::iterator code, Clock::time_point now);

    std::optional<std::string> standingCode_;
    std::map<std::string, Live, std::less<>> live_;
    std::size_t fromPage_ = 0;
    // When each code left, in the order they left.
    std::map<std::string, Clock::time_point, std::less<>> left_;
    std::deque<std::pair<Clock::time_point, std::string>> leftInOrder_;
};

}  // namespace sentrel::service
