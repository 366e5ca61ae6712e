#include "SignInThrottle.h"

namespace sentrel::service {

bool SignInThrottle::Allows(const std::string& client, Clock::time_point now) {
    const auto found = misses_.find(client);
    if (found == misses_.end()) return true;
    if (now - found->second.last >= kWindow) {
        misses_.erase(found);
        return true;
    }
    return found->second.count < kMaxMisses;
}

void SignInThrottle::Missed(const std::string& client, Clock::time_point now) {
    if (misses_.size() >= kMaxTracked && !misses_.contains(client)) {
        std::erase_if(misses_, [now](const auto& entry) { return now - entry.second.last >= kWindow; });
        if (misses_.size() >= kMaxTracked) return;
    }
    Misses& entry = misses_[client];
    if (now - entry.last >= kWindow) entry.count = 0;
    ++entry.count;
    entry.last = now;
}

}  // namespace sentrel::service
