#pragma once

#include <string>
#include <string_view>

namespace sentrel::service {

// Text from the network made safe for a one-line log: printable ASCII stays,
// every other byte becomes \xNN, and a backslash becomes \\.
std::string Printable(std::string_view text);

// The inside of a JSON string: quotes, backslashes and control bytes
// escaped; UTF-8 passes unchanged.
std::string JsonEscaped(std::string_view text);

}  // namespace sentrel::service
