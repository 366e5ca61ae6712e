#include "relay/http/ConnectionLimits.h"

#include <gtest/gtest.h>

#include <vector>

namespace sentrel::service {
namespace {

// One connection per client here, each with a request under way: a
// second from the same IPv6 /64 is refused, one from the next /64 or
// another IPv4 address is not.
TEST(ConnectionLimits, CountsAnIpv6NetworkAsOneClient) {
    ConnectionLimits limits(1, 10);
    const std::pair<const char*, bool> arrivals[] = {{"2001:db8:1:2::1", true},
                                                     {"2001:db8:1:2:ffff::9", false},
                                                     {"2001:db8:1:3::1", true},
                                                     {"10.0.0.1", true},
                                                     {"10.0.0.2", true}};
    std::vector<ConnectionLimits::Slot> held;
    for (const auto& [address, admitted] : arrivals) {
        std::optional<ConnectionLimits::Slot> slot = limits.Admit(boost::asio::ip::make_address(address));
        EXPECT_EQ(slot.has_value(), admitted) << address;
        if (!slot) continue;
        slot->Busy(true);
        held.push_back(std::move(*slot));
    }
    EXPECT_EQ(limits.Open(), 4);
}

}  // namespace
}  // namespace sentrel::service
