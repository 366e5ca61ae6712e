#pragma once

#include <cstdint>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// Where one primary lies in the little-endian word a pixel's bytes make, the
// word that drm and wl_shm format names describe from its top bit down.
struct PixelChannel {
    std::uint8_t shift = 0, bits = 0;
};

// How a frame stores its pixels, whatever name a protocol gives the format:
// bytes a pixel (none for a format that cannot be read), and where red,
// green and blue lie. Alpha and padding are ignored.
struct PixelLayout {
    std::uint8_t bytes = 0;
    PixelChannel red, green, blue;
};

// Stored B, G, R, then alpha or padding; and R, G, B first.
inline constexpr PixelLayout kBgrx{4, {16, 8}, {8, 8}, {0, 8}};
inline constexpr PixelLayout kRgbx{4, {0, 8}, {8, 8}, {16, 8}};

// A pixel stored in that layout, as 0x00BBGGRR with each primary scaled to
// 8 bits; kUnreadable when the layout cannot be read.
inline std::int32_t ColourOf(const PixelLayout& layout, const std::uint8_t* p) {
    if (layout.bytes == 0) return ScreenPixels::kUnreadable;
    std::uint32_t word = 0;
    for (int i = layout.bytes - 1; i >= 0; --i) word = word << 8 | p[i];
    const auto eightBits = [word](PixelChannel channel) {
        const std::uint32_t most = (std::uint32_t{1} << channel.bits) - 1;
        return static_cast<std::int32_t>((((word >> channel.shift) & most) * 255 + most / 2) / most);
    };
    return eightBits(layout.red) | eightBits(layout.green) << 8 | eightBits(layout.blue) << 16;
}

}  // namespace sentrel
