#include "relay/desk/ClientNetwork.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace sentrel::service {
namespace {

std::vector<std::string_view> Groups(std::string_view text) {
    std::vector<std::string_view> groups;
    while (!text.empty()) {
        const auto colon = text.find(':');
        groups.push_back(text.substr(0, colon));
        text = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    }
    return groups;
}

}  // namespace

std::string ClientNetwork(const std::string& address) {
    if (address.find(':') == std::string::npos) return address;
    if (address.starts_with("::ffff:") && address.find('.') != std::string::npos) return address.substr(7);
    const std::string_view whole = std::string_view(address).substr(0, address.find('%'));
    const auto gap = whole.find("::");
    std::vector<std::string_view> groups = Groups(whole.substr(0, gap));
    if (gap != std::string_view::npos) {
        const std::vector<std::string_view> tail = Groups(whole.substr(gap + 2));
        groups.resize(groups.size() + 8 - std::min<std::size_t>(8, groups.size() + tail.size()));
        groups.insert(groups.end(), tail.begin(), tail.end());
    }
    groups.resize(4);
    std::string network;
    for (const std::string_view group : groups) {
        unsigned value = 0;
        for (const char digit : group) {
            value = value * 16 + static_cast<unsigned>(digit <= '9' ? digit - '0' : (digit | 0x20) - 'a' + 10);
        }
        char text[8];
        std::snprintf(text, sizeof text, "%x:", value & 0xffffu);
        network += text;
    }
    return network + ":/64";
}

}  // namespace sentrel::service
