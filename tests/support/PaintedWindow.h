#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

#include "platform/x11/XcbConnection.h"

namespace sentrel::testing {

// A window placed by the test, without a window manager's say, showing the
// given colours (0x00BBGGRR, row by row) as its background.
class PaintedWindow {
public:
    PaintedWindow(int x, int y, int width, int height, const std::vector<std::int32_t>& colours);

    void Lower();

private:
    XcbConnectionPtr connection_;
    xcb_window_t window_ = 0;
};

}  // namespace sentrel::testing
