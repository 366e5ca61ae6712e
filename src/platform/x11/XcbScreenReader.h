#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

#include "monitor/ScreenPixels.h"
#include "platform/x11/XcbConnection.h"

namespace sentrel {

// Reads screen pixels from the X server on a connection of its own, so the
// reads never queue behind the toolkit's drawing. A sample's points cost one
// round trip: one GetImage of their bounding box when that box is small,
// otherwise one single-row GetImage per row of points, all sent before any
// reply is read.
class XcbScreenReader : public ScreenPixels {
public:
    // Above this many pixels in the bounding box, row images move fewer
    // bytes than one image of the box.
    static constexpr std::int64_t kMaxBoxPixels = 64 * 1024;

    // display: as for XOpenDisplay, nullptr for $DISPLAY. Throws
    // std::runtime_error when the display cannot be opened.
    explicit XcbScreenReader(const char* display = nullptr);

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;

    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint32_t max = 0;
    };

    bool OnScreen(const ScreenPoint& p) const { return p.x >= 0 && p.y >= 0 && p.x < width_ && p.y < height_; }
    // The colour as 0x00BBGGRR from a pixel value of the root window's visual.
    std::int32_t Colour(std::uint32_t pixel) const;
    // The pixel at column x, row y of a ZPixmap image reply.
    std::uint32_t PixelAt(const xcb_get_image_reply_t* image, int width, int x, int y) const;
    void ReadBox(std::span<const ScreenPoint> points, std::span<std::int32_t> colours, int left, int top, int right,
                 int bottom);
    xcb_get_image_reply_t* Reply(xcb_get_image_cookie_t cookie);
    void ReadRows(std::span<const ScreenPoint> points, std::span<std::int32_t> colours);

    XcbConnectionPtr connection_;
    xcb_window_t root_ = 0;
    int width_ = 0, height_ = 0;
    int bitsPerPixel_ = 32;
    int scanlinePad_ = 32;
    bool lsbFirst_ = true;
    Channel red_, green_, blue_;
};

}  // namespace sentrel
