#pragma once

#include <boost/asio/ip/address.hpp>
#include <functional>
#include <list>
#include <map>
#include <optional>

namespace sentrel::service {

// Counts open connections per client, so that no client can take every
// connection the service is willing to hold. A client is an IPv4 address,
// or an IPv6 /64, which one machine is commonly given whole. When a
// newcomer finds its client's slots held, that client's oldest connection
// with no request under way (idle, or yet to send a byte) makes room for
// it. When it finds every slot held, the oldest such connection of a client
// at least as big as the newcomer's makes room, else the oldest of the
// client holding the most, if that holds more than the newcomer's and one:
// clients within their limits, however slow their requests, cannot keep a
// new client out, nor take a smaller client's slot before it has said a
// word. Used from the io thread alone.
class ConnectionLimits {
    struct Held;

public:
    // One admitted connection; its place is given back when it goes, or
    // taken from it when it is evicted.
    class Slot {
    public:
        Slot(Slot&& other) noexcept;
        Slot& operator=(Slot&&) = delete;
        ~Slot();

        // While a request is under way, the connection is not evicted.
        void Busy(bool busy);
        // How the connection is closed once its slot has been taken.
        void WhenEvicted(std::function<void()> evict);

    private:
        friend class ConnectionLimits;
        Slot(ConnectionLimits& limits, std::list<Held>::iterator held);

        ConnectionLimits* limits_;
        std::list<Held>::iterator held_;
    };

    ConnectionLimits(int perClient, int total) : perClient_(perClient), total_(total) {}

    // A slot, or std::nullopt when the client or the service is at its
    // limit with a request under way on every connection that counts.
    std::optional<Slot> Admit(const boost::asio::ip::address& client);
    int Open() const { return static_cast<int>(held_.size()); }

private:
    struct Held {
        boost::asio::ip::address client;
        Slot* owner;
        bool busy = false;
        std::function<void()> evict;
    };

    int OpenFrom(const boost::asio::ip::address& client) const;
    // Closes the oldest connection `which` takes; false when it takes none.
    bool EvictOldest(const std::function<bool(const Held&)>& which);
    // The oldest connection of the client holding the most, when it holds
    // more than the newcomer's client (`mine`) and one; false when none is.
    bool EvictFromBiggest(int mine);
    void Release(std::list<Held>::iterator held);

    const int perClient_;
    const int total_;
    // Oldest first.
    std::list<Held> held_;
    std::map<boost::asio::ip::address, int> openFrom_;
};

}  // namespace sentrel::service
