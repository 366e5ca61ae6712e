#pragma once

#include <string>

namespace sentrel::service {

// The network a client address stands for when sharing out what one
// client may hold: an IPv4 address itself, an IPv6 address its /64, which
// one subscriber commonly gets whole. An IPv4 address mapped into IPv6 is
// the IPv4 address.
std::string ClientNetwork(const std::string& address);

}  // namespace sentrel::service
