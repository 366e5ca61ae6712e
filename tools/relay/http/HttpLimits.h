#pragma once

#include <chrono>
#include <cstddef>

namespace sentrel::service {

// What one client may cost the service. Every client is taken as possibly
// hostile: none may hold memory, a connection slot or the io thread for
// longer than these allow, whatever it sends or fails to send.
struct HttpLimits {
    // A connection with no request under way: a fresh one before its first
    // byte, a kept-alive one between requests.
    static constexpr std::chrono::seconds kIdleTimeout{5};
    // A whole request head, counted from its first byte, so that sending a
    // byte now and then does not keep it going.
    static constexpr std::chrono::seconds kHeadDeadline{10};
    // A reply the client does not take in.
    static constexpr std::chrono::seconds kWriteTimeout{10};
    // After a reply that ends the connection, what the client still sends is
    // read and dropped for this long, up to kLingerBytes, so that closing
    // with it unread (which resets the connection) does not destroy the
    // reply before the client has read it.
    static constexpr std::chrono::seconds kLingerTime{1};
    static constexpr std::size_t kLingerBytes = 256 * 1024;
    // A request head, request line included, and its header fields.
    static constexpr std::size_t kHeadBytes = 8 * 1024;
    static constexpr int kMaxFields = 100;
    // Open connections from one client address, and in all.
    static constexpr int kConnectionsPerAddress = 32;
    static constexpr int kConnections = 512;
};

}  // namespace sentrel::service
