#pragma once

#include <cstdint>

#include "platform/wayland/PixelLayout.h"

namespace sentrel {

// The layout of a wl_shm format, among those wlroots compositors copy screens
// into: 8-bit primaries in 32 bits in every order, 10-bit ones in 32, 8-bit
// in 24 and 5-6-5 in 16. None for any other.
PixelLayout ShmPixelLayout(std::uint32_t format);

}  // namespace sentrel
