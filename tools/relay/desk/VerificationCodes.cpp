#include "relay/desk/VerificationCodes.h"

#include <algorithm>
#include <cstdio>

#include "relay/system/SystemRandom.h"

namespace sentrel::service {

VerificationCodes::VerificationCodes(std::optional<std::string> standingCode)
    : standingCode_(std::move(standingCode)) {}

std::string VerificationCodes::Issue(Clock::time_point now, std::optional<PhoneBinding> binding) {
    DropExpired(now);
    if (fromPage_ >= kMaxLive) {
        auto oldest = live_.end();
        for (auto code = live_.begin(); code != live_.end(); ++code) {
            if (!code->second.kept && (oldest == live_.end() || code->second.expiry < oldest->second.expiry)) {
                oldest = code;
            }
        }
        Leave(oldest, now);
    }
    ++fromPage_;
    return Add(Live{now + kLifetime, std::move(binding)});
}

std::string VerificationCodes::IssueKept(Clock::time_point now, std::optional<PhoneBinding> binding) {
    DropExpired(now);
    return Add(Live{now + kLifetime, std::move(binding), true});
}

std::string VerificationCodes::Add(Live live) {
    std::string code;
    do {
        char text[8];
        std::snprintf(text, sizeof text, "%06u", static_cast<unsigned>(RandomBelow(1000000)));
        code = text;
    } while (live_.contains(code) || code == standingCode_);
    live_.emplace(code, std::move(live));
    return code;
}

std::optional<VerificationCodes::Redeemed> VerificationCodes::Find(std::string_view code, Clock::time_point now) {
    if (standingCode_ && code == *standingCode_) return Redeemed{};
    DropExpired(now);
    const auto found = live_.find(code);
    if (found == live_.end()) return std::nullopt;
    return Redeemed{found->second.binding};
}

void VerificationCodes::Use(std::string_view code, Clock::time_point now) {
    if (const auto found = live_.find(code); found != live_.end()) Leave(found, now);
}

bool VerificationCodes::Rebind(std::string_view code, PhoneBinding binding, Clock::time_point now) {
    DropExpired(now);
    const auto found = live_.find(code);
    if (found == live_.end()) return false;
    found->second.binding = std::move(binding);
    return true;
}

bool VerificationCodes::LeftLately(std::string_view code, Clock::time_point now) {
    DropExpired(now);
    return left_.contains(code);
}

void VerificationCodes::Leave(std::map<std::string, Live, std::less<>>::iterator code, Clock::time_point now) {
    if (!code->second.kept) --fromPage_;
    left_.insert_or_assign(code->first, now);
    leftInOrder_.emplace_back(now, code->first);
    live_.erase(code);
}

void VerificationCodes::DropExpired(Clock::time_point now) {
    for (auto code = live_.begin(); code != live_.end();) {
        const auto next = std::next(code);
        if (code->second.expiry <= now) Leave(code, now);
        code = next;
    }
    while (!leftInOrder_.empty() && (leftInOrder_.size() > kMaxLeft || leftInOrder_.front().first + kLifetime <= now)) {
        const auto& [when, code] = leftInOrder_.front();
        // A code issued again and left again is forgotten by its later leaving.
        if (const auto found = left_.find(code); found != left_.end() && found->second == when) left_.erase(found);
        leftInOrder_.pop_front();
    }
}

}  // namespace sentrel::service
