#include "platform/x11/XcbGrabProbe.h"

namespace sentrel {
namespace {

// Longer than any round trip, far shorter than the half month beyond which X
// takes a time for one in the past.
constexpr xcb_timestamp_t kAhead = 60000;

}  // namespace

bool XcbGrabProbe::Connect() {
    int screenNumber = 0;
    connection_.reset(xcb_connect(display_.empty() ? nullptr : display_.c_str(), &screenNumber));
    xcb_connection_t* c = connection_.get();
    if (xcb_connection_has_error(c)) return false;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    root_ = screens.data->root;
    // Never mapped: it only carries the property whose change tells the time.
    window_ = xcb_generate_id(c);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    return true;
}

// The time of a property change of nothing: the server stamps its event.
xcb_timestamp_t XcbGrabProbe::ServerTime() {
    xcb_connection_t* c = connection_.get();
    xcb_change_property(c, XCB_PROP_MODE_APPEND, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(c);
    while (const XcbReply<xcb_generic_event_t> event{xcb_wait_for_event(c)}) {
        if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
            return reinterpret_cast<const xcb_property_notify_event_t*>(event.get())->time;
        }
    }
    return XCB_CURRENT_TIME;
}

bool XcbGrabProbe::KeyboardHeldByAnother() {
    if ((!connection_ || xcb_connection_has_error(connection_.get())) && !Connect()) return false;
    xcb_connection_t* c = connection_.get();
    const xcb_timestamp_t now = ServerTime();
    if (now == XCB_CURRENT_TIME) return false;
    const auto grab = TakeReply(xcb_grab_keyboard_reply, c,
                                xcb_grab_keyboard(c, 0, root_, now + kAhead, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (!grab) return false;
    // A server that granted it after all must not keep the user's keyboard.
    if (grab->status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    return grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
}

}  // namespace sentrel
