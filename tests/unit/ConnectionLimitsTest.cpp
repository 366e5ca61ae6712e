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

// Every slot held: a newcomer takes the oldest of the biggest holder's busy
// ones, but a bigger client never takes a smaller one's idle slot.
TEST(ConnectionLimits, OnlyABiggerHolderMakesRoomForANewcomer) {
    const std::pair<std::vector<std::pair<const char*, bool>>, const char*> cases[] = {
        {{{"10.0.0.1", true}, {"10.0.0.1", true}, {"10.0.0.1", true}, {"10.0.0.2", true}}, "10.0.0.1"},
        {{{"10.0.0.3", true}, {"10.0.0.3", true}, {"10.0.0.3", true}, {"10.0.0.2", false}}, ""}};
    for (const auto& [crowd, evictedFrom] : cases) {
        ConnectionLimits limits(4, 4);
        std::vector<ConnectionLimits::Slot> held;
        std::string evicted;
        for (const auto& [from, busy] : crowd) {
            held.push_back(*limits.Admit(boost::asio::ip::make_address(from)));
            held.back().Busy(busy);
            held.back().WhenEvicted([&evicted, from] { evicted += from; });
        }
        const char* newcomer = *evictedFrom == '\0' ? "10.0.0.3" : "10.0.0.9";
        EXPECT_EQ(limits.Admit(boost::asio::ip::make_address(newcomer)).has_value(), *evictedFrom != '\0');
        EXPECT_EQ(evicted, evictedFrom);
    }
}

}  // namespace
}  // namespace sentrel::service
