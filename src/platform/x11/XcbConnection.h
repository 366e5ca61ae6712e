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

}  // namespace sentrel
