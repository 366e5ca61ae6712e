#pragma once

#include <cstdint>

namespace sentrel {

// Modifier flags of a hot key.
inline constexpr std::int32_t kModAlt = 1;
inline constexpr std::int32_t kModControl = 2;
inline constexpr std::int32_t kModShift = 4;

}  // namespace sentrel
