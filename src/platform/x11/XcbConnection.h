#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace sentrel {

struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbConnectionPtr = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

// xcb hands out replies and errors allocated with malloc.
struct XcbFree {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using XcbReply = std::unique_ptr<Reply, XcbFree>;

// A reply, its error freed here: an error left to the event queue would be
// taken there for an event.
template <typename Reply, typename Cookie>
XcbReply<Reply> TakeReply(Reply* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                          xcb_connection_t* connection, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    XcbReply<Reply> taken(reply(connection, cookie, &error));
    std::free(error);
    return taken;
}

}  // namespace sentrel
