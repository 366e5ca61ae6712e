#include "relay/http/AllowedHosts.h"

#include <algorithm>
#include <boost/asio/ip/host_name.hpp>
#include <cctype>

namespace sentrel::service {
namespace {

// Names compare without regard to case, addresses in their canonical
// spelling; a bracketed IPv6 literal loses its brackets.
std::string Canonical(std::string_view name) {
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    boost::system::error_code ec;
    const boost::asio::ip::address address = boost::asio::ip::make_address(name, ec);
    if (!ec) return address.to_string();
    std::string lower(name);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::ranges::find(names, name) != names.end();
}

}  // namespace

AllowedHosts::AllowedHosts(const std::string& boundAddress, unsigned short port,
                           const std::vector<std::string>& extraNames)
    : ownNames_{"localhost", "127.0.0.1", "::1"}, port_(std::to_string(port)) {
    boost::system::error_code ec;
    const boost::asio::ip::address bound = boost::asio::ip::make_address(boundAddress, ec);
    // 0.0.0.0 and :: name every address; what a request came in on stands
    // for them.
    if (ec || !bound.is_unspecified()) ownNames_.push_back(Canonical(boundAddress));
    if (const std::string hostName = boost::asio::ip::host_name(ec); !ec) {
        ownNames_.push_back(Canonical(hostName));
        // The name phones on the LAN find it by through mDNS; only a machine
        // on the same link could answer for it.
        ownNames_.push_back(Canonical(hostName.substr(0, hostName.find('.')) + ".local"));
    }
    for (const std::string& name : extraNames) extraNames_.push_back(Canonical(name));
}

bool AllowedHosts::Allows(std::string_view host, const boost::asio::ip::address& local) const {
    // The port follows the last colon outside an IPv6 literal's brackets.
    const std::size_t colon = host.rfind(':');
    const bool hasPort = colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos;
    const std::string_view port = hasPort ? host.substr(colon + 1) : std::string_view{};
    const std::string name = Canonical(host.substr(0, hasPort ? colon : host.size()));
    if (hasPort && (port.empty() || !std::ranges::all_of(port, [](char c) { return c >= '0' && c <= '9'; }))) {
        return false;
    }
    if (Contains(extraNames_, name)) return true;
    if (hasPort && port != port_) return false;
    return Contains(ownNames_, name) || name == local.to_string();
}

}  // namespace sentrel::service
