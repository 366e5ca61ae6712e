#include "relay/desk/VerificationCodes.h"

#include <algorithm>
#include <cstdio>

#include "relay/system/SystemRandom.h"

namespace sentrel::service {

VerificationCodes::VerificationCodes(std::optional<std::string> standingCode)
    : standingCode_(std::move(standingCode)) {}

std::string VerificationCodes::Issue(Clock::time_point now) {
    DropExpired(now);
    if (expiries_.size() >= kMaxLive) {
        const auto oldest = std::min_element(expiries_.begin(), expiries_.end(),
                                             [](const auto& a, const auto& b) { return a.second < b.second; });
        expiries_.erase(oldest);
    }
    std::string code;
    do {
        char text[8];
        std::snprintf(text, sizeof text, "%06u", static_cast<unsigned>(RandomBelow(1000000)));
        code = text;
    } while (expiries_.contains(code) || code == standingCode_);
    expiries_.emplace(code, now + kLifetime);
    return code;
}

bool VerificationCodes::Redeem(std::string_view code, Clock::time_point now) {
    if (standingCode_ && code == *standingCode_) return true;
    DropExpired(now);
    const auto found = expiries_.find(code);
    if (found == expiries_.end()) return false;
    expiries_.erase(found);
    return true;
}

void VerificationCodes::DropExpired(Clock::time_point now) {
    std::erase_if(expiries_, [now](const auto& entry) { return entry.second <= now; });
}

}  // namespace sentrel::service
