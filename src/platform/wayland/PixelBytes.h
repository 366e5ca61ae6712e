#pragma once

#include <cstdint>

#include "monitor/ScreenPixels.h"

namespace sentrel {

// The byte orders in which 32-bit screen frames come, whatever name a
// protocol gives its format; the fourth byte is alpha or padding.
enum class PixelBytes { Unknown, Bgrx, Rgbx };

// A pixel stored in that order, as 0x00BBGGRR; kUnreadable when the order
// is unknown.
inline std::int32_t ColourOf(PixelBytes order, const std::uint8_t* p) {
    switch (order) {
        case PixelBytes::Bgrx:
            return p[2] | (p[1] << 8) | (p[0] << 16);
        case PixelBytes::Rgbx:
            return p[0] | (p[1] << 8) | (p[2] << 16);
        default:
            return ScreenPixels::kUnreadable;
    }
}

}  // namespace sentrel
