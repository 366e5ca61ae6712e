#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <stdexcept>

#include "monitor/ScreenPixels.h"
#include "platform/x11/XcbConnection.h"

namespace sentrel::bench {

// The plain way to read the screen: one GetImage per pixel, each waited for
// before the next is sent: the baseline the batched reader is measured
// against. Knows only 24-bit TrueColor screens, which is what
// Xvfb gives.
class PixelByPixelReader : public ScreenPixels {
public:
    PixelByPixelReader() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_.get())) throw std::runtime_error("no X display");
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_.get())).data;
    }

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        for (std::size_t i = 0; i < points.size(); ++i) {
            colours[i] = kUnreadable;
            const ScreenPoint p = points[i];
            if (p.x < 0 || p.y < 0 || p.x >= screen_->width_in_pixels || p.y >= screen_->height_in_pixels) continue;
            xcb_generic_error_t* error = nullptr;
            const XcbReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
                connection_.get(),
                xcb_get_image(connection_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root,
                              static_cast<std::int16_t>(p.x), static_cast<std::int16_t>(p.y), 1, 1, ~0u),
                &error));
            std::free(error);
            if (!image) continue;
            const std::uint8_t* bgrx = xcb_get_image_data(image.get());
            colours[i] = bgrx[2] | (bgrx[1] << 8) | (bgrx[0] << 16);
        }
    }

private:
    XcbConnectionPtr connection_;
    xcb_screen_t* screen_ = nullptr;
};

}  // namespace sentrel::bench
