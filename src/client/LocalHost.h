#pragma once

#include <string_view>

namespace sentrel {

// The host of "scheme://[user@]host[:port][/path]", without the brackets of
// an IPv6 address.
std::string_view UrlHost(std::string_view url);

// A loopback or unspecified host (127.0.0.0/8, 0.0.0.0/8, ::1, ::, an IPv4
// one mapped into IPv6, localhost), however spelt: one that on a phone, or
// on any other machine, is that machine itself.
bool IsLocalHost(std::string_view host);

}  // namespace sentrel
