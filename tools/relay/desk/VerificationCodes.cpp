#include "relay/desk/VerificationCodes.h"

#include <algorithm>
#include <cstdio>

#include "relay/system/SystemRandom.h"

namespace sentrel::service {

VerificationCodes::VerificationCodes(std::optional<std::string> standingCode)
    : standingCode_(std::move(standingCode)) {}

std::string VerificationCodes::Issue(Clock::time_point now, std::optional<PhoneBinding> binding) {
    DropExpired(now);
    if (live_.size() >= kMaxLive) {
        const auto oldest = std::min_element(
            live_.begin(), live_.end(), [](const auto& a, const auto& b) { return a.second.expiry < b.second.expiry; });
        live_.erase(oldest);
    }
    std::string code;
    do {
        char text[8];
        std::snprintf(text, sizeof text, "%06u", static_cast<unsigned>(RandomBelow(1000000)));
        code = text;
    } while (live_.contains(code) || code == standingCode_);
    live_.emplace(code, Live{now + kLifetime, std::move(binding)});
    return code;
}

std::optional<VerificationCodes::Redeemed> VerificationCodes::Redeem(std::string_view code, Clock::time_point now) {
    if (standingCode_ && code == *standingCode_) return Redeemed{};
    DropExpired(now);
    const auto found = live_.find(code);
    if (found == live_.end()) return std::nullopt;
    Redeemed redeemed{std::move(found->second.binding)};
    live_.erase(found);
    return redeemed;
}

bool VerificationCodes::Rebind(std::string_view code, PhoneBinding binding, Clock::time_point now) {
    DropExpired(now);
    const auto found = live_.find(code);
    if (found == live_.end()) return false;
    found->second.binding = std::move(binding);
    return true;
}

void VerificationCodes::DropExpired(Clock::time_point now) {
    std::erase_if(live_, [now](const auto& entry) { return entry.second.expiry <= now; });
}

}  // namespace sentrel::service
