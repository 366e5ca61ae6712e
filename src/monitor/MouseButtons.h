#pragma once

#include <cstdint>

namespace sentrel {

// Mouse buttons as the window's handlers know them; other buttons do nothing.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;

}  // namespace sentrel
