#include "platform/x11/XcbScreenReader.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <vector>

namespace sentrel {
namespace {

constexpr std::uint32_t kAllPlanes = 0xFFFFFFFF;

xcb_visualtype_t* FindVisual(xcb_screen_t* screen, xcb_visualid_t id) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == id) return visuals.data;
        }
    }
    return nullptr;
}

}  // namespace

XcbScreenReader::XcbScreenReader(const char* display) {
    int screenNumber = 0;
    connection_.reset(xcb_connect(display, &screenNumber));
    if (!connection_ || xcb_connection_has_error(connection_.get())) {
        throw std::runtime_error("cannot open the X display");
    }
    const xcb_setup_t* setup = xcb_get_setup(connection_.get());
    auto screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    xcb_screen_t* screen = screens.data;
    root_ = screen->root;
    width_ = screen->width_in_pixels;
    height_ = screen->height_in_pixels;
    lsbFirst_ = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;

    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats)) {
        if (formats.data->depth == screen->root_depth) {
            bitsPerPixel_ = formats.data->bits_per_pixel;
            scanlinePad_ = formats.data->scanline_pad;
        }
    }
    const xcb_visualtype_t* visual = FindVisual(screen, screen->root_visual);
    if (visual == nullptr || bitsPerPixel_ < 8) throw std::runtime_error("unsupported root window visual");
    const auto channel = [](std::uint32_t mask) {
        if (mask == 0) return Channel{};
        return Channel{mask, std::countr_zero(mask), mask >> std::countr_zero(mask)};
    };
    red_ = channel(visual->red_mask);
    green_ = channel(visual->green_mask);
    blue_ = channel(visual->blue_mask);
}

std::int32_t XcbScreenReader::Colour(std::uint32_t pixel) const {
    const auto eightBits = [pixel](const Channel& c) {
        return c.max == 0 ? 0u : ((pixel & c.mask) >> c.shift) * 255u / c.max;
    };
    return static_cast<std::int32_t>(eightBits(red_) | (eightBits(green_) << 8) | (eightBits(blue_) << 16));
}

std::uint32_t XcbScreenReader::PixelAt(const xcb_get_image_reply_t* image, int width, int x, int y) const {
    const int bytesPerPixel = bitsPerPixel_ / 8;
    const int stride = ((width * bitsPerPixel_ + scanlinePad_ - 1) / scanlinePad_) * (scanlinePad_ / 8);
    const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(y) * stride + x * bytesPerPixel;
    // A reply of another depth or format than the screen's is not read past its end.
    if (offset + bytesPerPixel > xcb_get_image_data_length(image)) return 0;
    const std::uint8_t* at = xcb_get_image_data(image) + offset;
    std::uint32_t pixel = 0;
    for (int i = 0; i < bytesPerPixel; ++i) {
        const int shift = lsbFirst_ ? 8 * i : 8 * (bytesPerPixel - 1 - i);
        pixel |= static_cast<std::uint32_t>(at[i]) << shift;
    }
    return pixel;
}

xcb_get_image_reply_t* XcbScreenReader::Reply(xcb_get_image_cookie_t cookie) {
    // An error taken here is freed here; left to the event queue, which this
    // connection never reads, errors would pile up.
    xcb_generic_error_t* error = nullptr;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(connection_.get(), cookie, &error);
    std::free(error);
    return reply;
}

void XcbScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    int left = width_, top = height_, right = -1, bottom = -1;
    for (const ScreenPoint& p : points) {
        if (!OnScreen(p)) continue;
        left = std::min(left, p.x);
        top = std::min(top, p.y);
        right = std::max(right, p.x);
        bottom = std::max(bottom, p.y);
    }
    if (right < 0) return;
    const std::int64_t boxPixels = std::int64_t{right - left + 1} * (bottom - top + 1);
    if (boxPixels <= kMaxBoxPixels) {
        ReadBox(points, colours, left, top, right, bottom);
    } else {
        ReadRows(points, colours);
    }
}

void XcbScreenReader::ReadBox(std::span<const ScreenPoint> points, std::span<std::int32_t> colours, int left, int top,
                              int right, int bottom) {
    const int width = right - left + 1;
    const auto cookie =
        xcb_get_image(connection_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(left),
                      static_cast<std::int16_t>(top), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(bottom - top + 1), kAllPlanes);
    const XcbReply<xcb_get_image_reply_t> image(Reply(cookie));
    if (!image) return;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (OnScreen(points[i]))
            colours[i] = Colour(PixelAt(image.get(), width, points[i].x - left, points[i].y - top));
    }
}

void XcbScreenReader::ReadRows(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    // One 1-pixel-high image per row of points, from its leftmost point to
    // its rightmost; all requested before any reply is read.
    struct Row {
        int y, left, right;
        xcb_get_image_cookie_t cookie;
    };
    std::vector<Row> rows;
    const auto rowOf = [&rows](int y) {
        return std::find_if(rows.begin(), rows.end(), [y](const Row& r) { return r.y == y; });
    };
    for (const ScreenPoint& p : points) {
        if (!OnScreen(p)) continue;
        const auto row = rowOf(p.y);
        if (row == rows.end()) {
            rows.push_back(Row{p.y, p.x, p.x, {}});
        } else {
            row->left = std::min(row->left, p.x);
            row->right = std::max(row->right, p.x);
        }
    }
    for (Row& row : rows) {
        row.cookie = xcb_get_image(connection_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, root_,
                                   static_cast<std::int16_t>(row.left), static_cast<std::int16_t>(row.y),
                                   static_cast<std::uint16_t>(row.right - row.left + 1), 1, kAllPlanes);
    }
    for (const Row& row : rows) {
        const XcbReply<xcb_get_image_reply_t> image(Reply(row.cookie));
        if (!image) continue;
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (points[i].y != row.y || !OnScreen(points[i])) continue;
            colours[i] = Colour(PixelAt(image.get(), row.right - row.left + 1, points[i].x - row.left, 0));
        }
    }
}

}  // namespace sentrel
