#pragma once

#include <boost/asio/ip/address.hpp>
#include <map>
#include <optional>
#include <utility>

namespace sentrel::service {

// Counts open connections per client address and in all, so that no client
// can take every connection the service is willing to hold. Used from the
// io thread alone.
class ConnectionLimits {
public:
    // One admitted connection; its place is given back when it goes.
    class Slot {
    public:
        Slot(ConnectionLimits& limits, boost::asio::ip::address client) : limits_(&limits), client_(client) {}
        Slot(Slot&& other) noexcept : limits_(std::exchange(other.limits_, nullptr)), client_(other.client_) {}
        Slot& operator=(Slot&&) = delete;
        ~Slot() {
            if (limits_ != nullptr) limits_->Release(client_);
        }

    private:
        ConnectionLimits* limits_;
        boost::asio::ip::address client_;
    };

    ConnectionLimits(int perAddress, int total) : perAddress_(perAddress), total_(total) {}

    // A slot, or std::nullopt when the address or the service is at its limit.
    std::optional<Slot> Admit(const boost::asio::ip::address& client);
    int OpenFrom(const boost::asio::ip::address& client) const;
    int Open() const { return open_; }

private:
    void Release(const boost::asio::ip::address& client);

    const int perAddress_;
    const int total_;
    int open_ = 0;
    std::map<boost::asio::ip::address, int> openFrom_;
};

}  // namespace sentrel::service
