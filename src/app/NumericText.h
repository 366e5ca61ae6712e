#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sentrel {

// Reads a number typed by a user. What counts as numeric:
//   [spaces] [+|-] digits [. [digits]] [(e|E) [+|-] digits] [spaces]
//   [spaces] [+|-] . digits [(e|E) [+|-] digits] [spaces]
// where spaces are ASCII spaces and tabs. Nothing else does: no thousands
// separators, currency signs, hexadecimal or words such as "inf". The
// decimal point is always '.', whatever the user's locale. A text that fits
// the pattern but whose value is beyond double range is not numeric either,
// so every text counted as numeric converts without error.
std::optional<double> ParseNumericText(std::string_view text);

// Round half to even, as 16-bit signed integer.
std::optional<std::int16_t> RoundToInt16(double value);
// Round half to even, as 32-bit signed integer.
std::optional<std::int32_t> RoundToInt32(double value);

}  // namespace sentrel
