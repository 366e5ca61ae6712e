#include "platform/x11/XcbPixelFormat.h"

#include <bit>

namespace sentrel {
namespace {

const xcb_visualtype_t* FindVisual(const xcb_screen_t* screen, std::uint8_t depth, xcb_visualid_t id) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
        if (depths.data->depth != depth) continue;
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == id) return visuals.data;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<XcbPixelFormat> XcbPixelFormat::Of(const xcb_setup_t* setup, const xcb_screen_t* screen,
                                                 std::uint8_t depth, xcb_visualid_t visual) {
    const xcb_visualtype_t* type = FindVisual(screen, depth, visual);
    if (type == nullptr) return std::nullopt;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats)) {
        if (formats.data->depth != depth) continue;
        if (formats.data->bits_per_pixel < 8 || formats.data->bits_per_pixel % 8 != 0) return std::nullopt;
        XcbPixelFormat format;
        format.bitsPerPixel_ = formats.data->bits_per_pixel;
        format.scanlinePad_ = formats.data->scanline_pad;
        format.lsbFirst_ = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
        format.red_ = ChannelOf(type->red_mask);
        format.green_ = ChannelOf(type->green_mask);
        format.blue_ = ChannelOf(type->blue_mask);
        return format;
    }
    return std::nullopt;
}

XcbPixelFormat::Channel XcbPixelFormat::ChannelOf(std::uint32_t mask) {
    if (mask == 0) return Channel{};
    const int shift = std::countr_zero(mask);
    return Channel{mask, shift, mask >> shift};
}

std::uint32_t XcbPixelFormat::EightBits(std::uint32_t pixel, const Channel& channel) const {
    return channel.max == 0 ? 0u : ((pixel & channel.mask) >> channel.shift) * 255u / channel.max;
}

std::int32_t XcbPixelFormat::ColourAt(const xcb_get_image_reply_t* image, int width, int x, int y) const {
    const int bytesPerPixel = bitsPerPixel_ / 8;
    const int stride = ((width * bitsPerPixel_ + scanlinePad_ - 1) / scanlinePad_) * (scanlinePad_ / 8);
    const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(y) * stride + x * bytesPerPixel;
    // A reply of another depth than expected (the drawable was replaced
    // between two reads) is not read past its end.
    if (offset < 0 || offset + bytesPerPixel > xcb_get_image_data_length(image)) return -1;
    const std::uint8_t* at = xcb_get_image_data(image) + offset;
    std::uint32_t pixel = 0;
    for (int i = 0; i < bytesPerPixel; ++i) {
        const int shift = lsbFirst_ ? 8 * i : 8 * (bytesPerPixel - 1 - i);
        pixel |= static_cast<std::uint32_t>(at[i]) << shift;
    }
    return static_cast<std::int32_t>(EightBits(pixel, red_) | (EightBits(pixel, green_) << 8) |
                                     (EightBits(pixel, blue_) << 16));
}

}  // namespace sentrel
