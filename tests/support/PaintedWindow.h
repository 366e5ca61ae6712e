#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

#include "platform/x11/XcbConnection.h"

namespace sentrel::testing {

// A colour, 0x00BBGGRR, as a 24-bit TrueColor screen's pixel, 0x00RRGGBB,
// or such a pixel as a colour.
inline std::uint32_t SwapRedAndBlue(std::uint32_t colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

// A pixmap of the root's depth holding the given colours (0x00BBGGRR, row
// by row).
xcb_pixmap_t PaintPixmap(xcb_connection_t* connection, int width, int height, const std::vector<std::int32_t>& colours);

// A window placed by the test, without a window manager's say, showing the
// given colours as its background.
class PaintedWindow {
public:
    PaintedWindow(int x, int y, int width, int height, const std::vector<std::int32_t>& colours);
    // Gone from the screen when this returns, not when the server notices
    // the closed connection.
    ~PaintedWindow();

    xcb_window_t Id() const { return window_; }
    void Lower();
    void Move(int x, int y);
    // Shows one colour all over, in place.
    void Fill(std::int32_t colour);

private:
    void Sync();

    XcbConnectionPtr connection_;
    xcb_window_t window_ = 0;
};

}  // namespace sentrel::testing
