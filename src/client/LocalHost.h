#pragma once

#include <string_view>

namespace sentrel {

// "host[:port]" of "scheme://[user@]host[:port][/path]": what a URL may
// show of where it leads without its secrets.
std::string_view UrlAuthority(std::string_view url);

// The host of that, without the brackets of an IPv6 address.
std::string_view UrlHost(std::string_view url);

// A loopback or unspecified host (127.0.0.0/8, 0.0.0.0/8, ::1, ::, an IPv4
// one mapped into IPv6, localhost), however spelt: one that on a phone, or
// on any other machine, is that machine itself.
bool IsLocalHost(std::string_view host);

}  // namespace sentrel
