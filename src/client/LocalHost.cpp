#include "client/LocalHost.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace sentrel {
namespace {

constexpr auto npos = std::string_view::npos;

bool IsLocalName(std::string_view host) {
    std::string lower(host);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower == "localhost" || lower.ends_with(".localhost");
}

bool IsLocalIpv4(std::string_view host) {
    if (host.empty() || host.find_first_not_of("0123456789.") != npos) return false;
    const std::string_view first = host.substr(0, host.find('.'));
    return first == "127" || first == "0";
}

bool IsZeroGroup(std::string_view group) { return group.find_first_not_of('0') == npos; }

// ::1 and :: however spelt, and IPv4 addresses mapped into IPv6.
bool IsLocalIpv6(std::string_view host) {
    if (host.find(':') == npos) return false;
    std::vector<std::string_view> groups;
    for (std::size_t start = 0; start <= host.size();) {
        const std::size_t end = std::min(host.find(':', start), host.size());
        if (end > start) groups.push_back(host.substr(start, end - start));
        start = end + 1;
    }
    if (!groups.empty() && groups.back().find('.') != npos) {
        const std::string_view ipv4 = groups.back();
        groups.pop_back();
        if (!groups.empty() && (groups.back() == "ffff" || groups.back() == "FFFF")) groups.pop_back();
        return std::ranges::all_of(groups, IsZeroGroup) && IsLocalIpv4(ipv4);
    }
    const bool endsInOne = !host.ends_with(':') && !groups.empty() && groups.back().ends_with('1') &&
                           IsZeroGroup(groups.back().substr(0, groups.back().size() - 1));
    if (endsInOne) groups.pop_back();
    return std::ranges::all_of(groups, IsZeroGroup);
}

}  // namespace

std::string_view UrlAuthority(std::string_view url) {
    if (const auto scheme = url.find("://"); scheme != npos) url.remove_prefix(scheme + 3);
    url = url.substr(0, url.find_first_of("/?#"));
    if (const auto user = url.rfind('@'); user != npos) url.remove_prefix(user + 1);
    return url;
}

std::string_view UrlHost(std::string_view url) {
    url = UrlAuthority(url);
    if (url.starts_with('[')) return url.substr(1, url.find(']') - 1);
    return url.substr(0, url.find(':'));
}

bool IsLocalHost(std::string_view host) { return IsLocalName(host) || IsLocalIpv4(host) || IsLocalIpv6(host); }

}  // namespace sentrel
