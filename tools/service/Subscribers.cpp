#include "Subscribers.h"

#include <algorithm>

namespace sentrel::service {

Subscribers::Subscribers(std::uint64_t seed) : random_(seed) {}

std::string Subscribers::Register() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string openId(28, 'o');
    do {
        for (std::size_t i = 1; i < openId.size(); ++i) openId[i] = kAlphabet[pick(random_)];
    } while (online_.contains(openId));
    if (online_.size() >= kMaxKnown) {
        const auto offline = std::find_if(online_.begin(), online_.end(), [](const auto& e) { return !e.second; });
        online_.erase(offline != online_.end() ? offline : online_.begin());
    }
    online_.emplace(openId, false);
    return openId;
}

bool Subscribers::Knows(std::string_view openId) const { return online_.contains(openId); }

bool Subscribers::SetOnline(std::string_view openId, bool online) {
    const auto found = online_.find(openId);
    if (found == online_.end()) return false;
    found->second = online;
    return true;
}

std::size_t Subscribers::OnlineCount() const {
    return static_cast<std::size_t>(
        std::count_if(online_.begin(), online_.end(), [](const auto& entry) { return entry.second; }));
}

}  // namespace sentrel::service
