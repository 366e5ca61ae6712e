#pragma once

#include <xcb/xcb.h>

#include <cstdint>

namespace sentrel {

// The X server's own screen saver (MIT-SCREEN-SAVER): on, it blanks the
// screen or covers it with a window of the server's until input comes; a
// locker may wait for it. Followed through the events of the connection
// that selected them.
class XcbScreenSaver {
public:
    XcbScreenSaver(xcb_connection_t* connection, xcb_window_t root);

    void Notice(const xcb_generic_event_t& event);
    bool On() const { return on_; }
    // The server's window that covers the screen while the saver is on and
    // does not blank it.
    xcb_window_t Window() const { return window_; }

private:
    std::uint8_t notifyEvent_ = 0;  // 0 where the server lacks the extension
    bool on_ = false;
    xcb_window_t window_ = 0;
};

}  // namespace sentrel
