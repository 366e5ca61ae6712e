#include "relay/http/ConnectionLimits.h"

#include <gtest/gtest.h>

#include <string>
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

// Every slot held by two clients with requests under way: a newcomer takes
// the oldest of the biggest holder's.
TEST(ConnectionLimits, TheBiggestHolderMakesRoomForANewcomer) {
    ConnectionLimits limits(3, 5);
    std::vector<ConnectionLimits::Slot> held;
    std::vector<std::string> evicted;
    for (const char* from : {"10.0.0.1", "10.0.0.1", "10.0.0.1", "10.0.0.2", "10.0.0.2"}) {
        held.push_back(*limits.Admit(boost::asio::ip::make_address(from)));
        held.back().Busy(true);
        held.back().WhenEvicted([&evicted, from] { evicted.push_back(from); });
    }
    EXPECT_TRUE(limits.Admit(boost::asio::ip::make_address("10.0.0.3")).has_value());
    EXPECT_EQ(evicted, std::vector<std::string>{"10.0.0.1"});
}

}  // namespace
}  // namespace sentrel::service
