#pragma once

#include <optional>
#include <string_view>

namespace sentrel {

// Plain decimal digits as numbers are written in URLs and on command lines:
// no sign, no spaces, no leading zero (except "0" itself), within [low, high].
std::optional<int> ParseDecimal(std::string_view text, int low, int high);

}  // namespace sentrel
