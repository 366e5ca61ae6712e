#pragma once

#include <string>
#include <string_view>

namespace sentrel::service {

// Text from the network made safe for a one-line log: printable ASCII and
// printable characters in well-formed UTF-8 stay, every other byte becomes
// \xNN, and a backslash or a quote gets a backslash before it.
std::string Printable(std::string_view text);

// An OpenId as a log may show it: its first four characters and "...",
// enough to tell a few apart and far too few to alert with; an OpenId is
// all it takes to alert in someone's name.
std::string MaskedOpenId(std::string_view openId);

// The inside of a JSON string: quotes, backslashes and control bytes
// escaped; UTF-8 passes unchanged.
std::string JsonEscaped(std::string_view text);
// The same between quotes: a whole JSON string.
std::string JsonString(std::string_view text);

}  // namespace sentrel::service
