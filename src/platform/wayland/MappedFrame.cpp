#include "platform/wayland/MappedFrame.h"

namespace sentrel {

std::optional<MappedFrame> MappedFrame::Of(const spa_data& plane, PixelLayout layout, std::int32_t width,
                                           std::int32_t height) {
    if (plane.data == nullptr || plane.chunk == nullptr || layout.bytes == 0 || width <= 0 || height <= 0) {
        return std::nullopt;
    }
    const spa_chunk& chunk = *plane.chunk;
    const std::size_t row = static_cast<std::size_t>(width) * layout.bytes;
    // A stride of 0 says the rows are packed.
    const std::size_t stride = chunk.stride > 0 ? static_cast<std::size_t>(chunk.stride) : row;
    const auto rows = static_cast<std::size_t>(height);
    if ((static_cast<std::uint32_t>(chunk.flags) & SPA_CHUNK_FLAG_CORRUPTED) != 0 || stride < row ||
        chunk.size < stride * (rows - 1) + row || std::size_t{chunk.offset} + chunk.size > plane.maxsize) {
        return std::nullopt;
    }
    return MappedFrame{static_cast<const std::uint8_t*>(plane.data) + chunk.offset, stride, width, height, layout};
}

std::int32_t MappedFrame::At(ScreenPoint p) const {
    if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height) return ScreenPixels::kUnreadable;
    return ColourOf(layout,
                    pixels + static_cast<std::size_t>(p.y) * stride + static_cast<std::size_t>(p.x) * layout.bytes);
}

}  // namespace sentrel
