#include "relay/http/ConnectionLimits.h"

#include <gtest/gtest.h>

#include <vector>

namespace sentrel::service {
namespace {

// One connection per client, none of them evictable: the second from
// 2001:db8:1:2::/64 is refused.
TEST(ConnectionLimits, CountsAnIpv6NetworkAsOneClient) {
    ConnectionLimits limits(1, 10);
    std::vector<ConnectionLimits::Slot> held;
    for (const char* from : {"2001:db8:1:2::1", "2001:db8:1:2:ffff::9", "2001:db8:1:3::1", "10.0.0.1", "10.0.0.2"}) {
        if (auto slot = limits.Admit(boost::asio::ip::make_address(from))) held.push_back(std::move(*slot));
    }
    EXPECT_EQ(limits.Open(), 4);
}

}  // namespace
}  // namespace sentrel::service
