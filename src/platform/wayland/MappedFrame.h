#pragma once

#include <spa/buffer/buffer.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "monitor/ScreenPixels.h"
#include "platform/wayland/PixelLayout.h"

namespace sentrel {

// One frame of a screen cast, read where its PipeWire buffer is mapped: rows
// `stride` bytes apart, which may be more than a row's pixels take.
struct MappedFrame {
    const std::uint8_t* pixels = nullptr;  // the top row's first
    std::size_t stride = 0;
    std::int32_t width = 0, height = 0;
    PixelLayout layout;

    // The plane's frame of that size; none where the plane does not hold all
    // of it: a frame the compositor drew only in part, or not at all, is
    // marked corrupted or short.
    static std::optional<MappedFrame> Of(const spa_data& plane, PixelLayout layout, std::int32_t width,
                                         std::int32_t height);
    // 0x00BBGGRR; kUnreadable outside the frame.
    std::int32_t At(ScreenPoint p) const;
};

}  // namespace sentrel
