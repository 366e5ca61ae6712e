#include "relay/desk/ClientQuota.h"

namespace sentrel::service {

ClientQuota::Verdict ClientQuota::Check(const std::string& client, Clock::time_point now) {
    const auto quiet = [&](const auto& entry) { return now - entry.second.last >= window_; };
    if (const auto found = counted_.find(client); found != counted_.end()) {
        if (!quiet(*found)) return found->second.count < limit_ ? Verdict::Allowed : Verdict::Spent;
        counted_.erase(found);
    }
    if (counted_.size() >= capacity_) std::erase_if(counted_, quiet);
    return counted_.size() < capacity_ ? Verdict::Allowed : Verdict::NoRoom;
}

void ClientQuota::Count(const std::string& client, Clock::time_point now) {
    const auto [entry, added] = counted_.try_emplace(client);
    if (!added && now - entry->second.last >= window_) entry->second.count = 0;
    ++entry->second.count;
    entry->second.last = now;
}

}  // namespace sentrel::service
