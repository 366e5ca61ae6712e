#pragma once

#include <boost/asio/ip/address.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace sentrel::service {

// The names a request's Host may give for this service. A web page whose
// own name is made to resolve to this machine (DNS rebinding) sends that
// name, not one of these, and is refused before any script runs.
class AllowedHosts {
public:
    // The service's own names, alone or with its port: the address it is
    // bound to, the address a request came in on, localhost, 127.0.0.1,
    // [::1], this machine's host name and its first label under .local
    // (mDNS). Extra names (a proxy's) go with any port, since a proxy
    // listens on its own.
    AllowedHosts(const std::string& boundAddress, unsigned short port, const std::vector<std::string>& extraNames);

    bool Allows(std::string_view host, const boost::asio::ip::address& local) const;

private:
    std::vector<std::string> ownNames_;
    std::vector<std::string> extraNames_;
    std::string port_;
};

}  // namespace sentrel::service
