#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>

namespace sentrel {

// How one drawable's pixels lie in a ZPixmap image and what their bits
// mean: its depth's bits per pixel and row padding, its visual's colour
// masks. Windows of another depth than the root's (32-bit ARGB ones, say)
// have formats of their own.
class XcbPixelFormat {
public:
    // Empty for a depth or visual the server does not list, or one whose
    // pixels are not whole bytes.
    static std::optional<XcbPixelFormat> Of(const xcb_setup_t* setup, const xcb_screen_t* screen, std::uint8_t depth,
                                            xcb_visualid_t visual);

    // The colour as 0x00BBGGRR of column x, row y of an image `width`
    // pixels wide; -1 where the reply holds no such pixel.
    std::int32_t ColourAt(const xcb_get_image_reply_t* image, int width, int x, int y) const;

private:
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint32_t max = 0;
    };
    static Channel ChannelOf(std::uint32_t mask);
    std::uint32_t EightBits(std::uint32_t pixel, const Channel& channel) const;

    int bitsPerPixel_ = 32;
    int scanlinePad_ = 32;
    bool lsbFirst_ = true;
    Channel red_, green_, blue_;
};

}  // namespace sentrel
