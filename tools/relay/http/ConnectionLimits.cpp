#include "relay/http/ConnectionLimits.h"

#include <algorithm>
#include <utility>

namespace sentrel::service {
namespace {

namespace ip = boost::asio::ip;

ip::address ClientOf(const ip::address& address) {
    if (!address.is_v6()) return address;
    ip::address_v6::bytes_type bytes = address.to_v6().to_bytes();
    std::fill(bytes.begin() + 8, bytes.end(), 0);
    return ip::address_v6(bytes);
}

}  // namespace

ConnectionLimits::Slot::Slot(ConnectionLimits& limits, std::list<Held>::iterator held) : limits_(&limits), held_(held) {
    held_->owner = this;
}

ConnectionLimits::Slot::Slot(Slot&& other) noexcept
    : limits_(std::exchange(other.limits_, nullptr)), held_(other.held_) {
    if (limits_ != nullptr) held_->owner = this;
}

ConnectionLimits::Slot::~Slot() {
    if (limits_ != nullptr) limits_->Release(held_);
}

void ConnectionLimits::Slot::Busy(bool busy) {
    if (limits_ != nullptr) held_->busy = busy;
}

void ConnectionLimits::Slot::WhenEvicted(std::function<void()> evict) {
    if (limits_ != nullptr) held_->evict = std::move(evict);
}

std::optional<ConnectionLimits::Slot> ConnectionLimits::Admit(const ip::address& address) {
    const ip::address client = ClientOf(address);
    const int mine = OpenFrom(client);
    const auto idle = [](const Held& held) { return !held.busy && held.evict; };
    bool room = true;
    if (mine >= perClient_) {
        room = EvictOldest([&](const Held& held) { return idle(held) && held.client == client; });
    } else if (Open() >= total_) {
        // Never a smaller client's: a newcomer's own slot is idle until it
        // has been read, and a crowd reconnecting must not take it.
        room = EvictOldest([&](const Held& held) { return idle(held) && OpenFrom(held.client) >= mine; }) ||
               EvictFromBiggest(mine);
    }
    if (!room) return std::nullopt;
    ++openFrom_[client];
    held_.push_back({.client = client, .owner = nullptr, .busy = false, .evict = {}});
    return Slot(*this, std::prev(held_.end()));
}

int ConnectionLimits::OpenFrom(const ip::address& address) const {
    const auto found = openFrom_.find(ClientOf(address));
    return found == openFrom_.end() ? 0 : found->second;
}

bool ConnectionLimits::EvictOldest(const std::function<bool(const Held&)>& which) {
    const auto evictable = std::ranges::find_if(held_, which);
    if (evictable == held_.end()) return false;
    // The slot is free before the connection hears of it, so that the
    // newcomer takes it at once, whenever the old one's handlers run.
    std::function<void()> evict = std::move(evictable->evict);
    evictable->owner->limits_ = nullptr;
    Release(evictable);
    evict();
    return true;
}

bool ConnectionLimits::EvictFromBiggest(int mine) {
    const auto biggest = std::ranges::max_element(openFrom_, {}, [](const auto& entry) { return entry.second; });
    if (biggest == openFrom_.end() || biggest->second <= mine + 1) return false;
    const ip::address holder = biggest->first;
    return EvictOldest([&holder](const Held& held) { return held.client == holder && held.evict; });
}

void ConnectionLimits::Release(std::list<Held>::iterator held) {
    // Dropped at zero, so that the map holds only clients with a
    // connection open, however many have come and gone.
    if (const auto found = openFrom_.find(held->client); --found->second == 0) openFrom_.erase(found);
    held_.erase(held);
}

}  // namespace sentrel::service
