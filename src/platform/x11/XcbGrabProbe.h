#pragma once

#include <xcb/xcb.h>

#include <string>

#include "platform/x11/XcbConnection.h"

namespace sentrel {

// Whether another client holds the keyboard, as a screen locker does for as
// long as it locks. X tells no one who holds a grab; it only refuses a grab
// asked while another client holds one (AlreadyGrabbed). The probe asks with
// a time a minute ahead of the server's clock, which the server refuses as
// InvalidTime when nobody holds the keyboard: it never takes a key from the
// user, nor moves the focus of the window being typed into.
class XcbGrabProbe {
public:
    // display: as for xcb_connect, empty for $DISPLAY. Nothing is opened
    // until the first probe.
    explicit XcbGrabProbe(std::string display) : display_(std::move(display)) {}

    bool KeyboardHeldByAnother();

private:
    bool Connect();
    xcb_timestamp_t ServerTime();

    std::string display_;
    // A connection of its own: the server's time comes as an event, which on
    // the reader's connection would be taken among the windows' events.
    XcbConnectionPtr connection_;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
};

}  // namespace sentrel
