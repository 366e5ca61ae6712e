#include "platform/x11/XcbScreenSaver.h"

#include <xcb/screensaver.h>

#include "platform/x11/XcbConnection.h"

namespace sentrel {
namespace {

// A cycling saver is on; it only moves on to another pattern.
bool IsOn(std::uint8_t state) { return state == XCB_SCREENSAVER_STATE_ON || state == XCB_SCREENSAVER_STATE_CYCLE; }

}  // namespace

XcbScreenSaver::XcbScreenSaver(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_screensaver_id);
    if (extension == nullptr || !extension->present) return;
    notifyEvent_ = static_cast<std::uint8_t>(extension->first_event + XCB_SCREENSAVER_NOTIFY);
    // Asked for before the state is read, so that no change falls between.
    xcb_screensaver_select_input(connection, root, XCB_SCREENSAVER_EVENT_NOTIFY_MASK);
    const auto info =
        TakeReply(xcb_screensaver_query_info_reply, connection, xcb_screensaver_query_info(connection, root));
    if (!info) return;
    on_ = IsOn(info->state);
    window_ = info->saver_window;
}

void XcbScreenSaver::Notice(const xcb_generic_event_t& event) {
    if (notifyEvent_ == 0 || (event.response_type & 0x7F) != notifyEvent_) return;
    const auto& notify = reinterpret_cast<const xcb_screensaver_notify_event_t&>(event);
    on_ = IsOn(notify.state);
    window_ = notify.window;
}

}  // namespace sentrel
