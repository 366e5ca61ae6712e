#include "relay/http/ConnectionLimits.h"

namespace sentrel::service {

std::optional<ConnectionLimits::Slot> ConnectionLimits::Admit(const boost::asio::ip::address& client) {
    if (open_ >= total_ || OpenFrom(client) >= perAddress_) return std::nullopt;
    ++open_;
    ++openFrom_[client];
    return Slot(*this, client);
}

int ConnectionLimits::OpenFrom(const boost::asio::ip::address& client) const {
    const auto found = openFrom_.find(client);
    return found == openFrom_.end() ? 0 : found->second;
}

void ConnectionLimits::Release(const boost::asio::ip::address& client) {
    --open_;
    // Dropped at zero, so that the map holds only addresses with a
    // connection open, however many have come and gone.
    if (const auto found = openFrom_.find(client); --found->second == 0) openFrom_.erase(found);
}

}  // namespace sentrel::service
