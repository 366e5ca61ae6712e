#include "platform/x11/X11HotKey.h"

#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

#include "monitor/HotKeyModifiers.h"
#include "platform/x11/XcbConnection.h"

namespace sentrel {
namespace {

constexpr std::uint16_t kLockMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint16_t kRelevantMasks = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

// Virtual-key codes of letters and digits equal their upper-case ASCII
// codes; the X keysym of a letter is its lower-case ASCII code.
xcb_keysym_t KeysymOf(std::int32_t keyCode) {
    if (keyCode >= 'A' && keyCode <= 'Z') return static_cast<xcb_keysym_t>(keyCode - 'A' + 'a');
    if (keyCode >= '0' && keyCode <= '9') return static_cast<xcb_keysym_t>(keyCode);
    return 0;
}

struct KeySymbolsFree {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};

}  // namespace

X11HotKey::X11HotKey(xcb_connection_t* connection, xcb_window_t root) : connection_(connection), root_(root) {}

X11HotKey::~X11HotKey() {
    Ungrab();
    xcb_flush(connection_);
}

bool X11HotKey::Grab(std::int32_t modifiers, std::int32_t keyCode) {
    keysym_ = KeysymOf(keyCode);
    modifierMask_ = static_cast<std::uint16_t>(((modifiers & kModAlt) ? XCB_MOD_MASK_1 : 0) |
                                               ((modifiers & kModControl) ? XCB_MOD_MASK_CONTROL : 0) |
                                               ((modifiers & kModShift) ? XCB_MOD_MASK_SHIFT : 0));
    return GrabKeycodes();
}

bool X11HotKey::GrabKeycodes() {
    if (keysym_ == 0) return false;
    // Symbols are looked up afresh: a table kept from before a mapping
    // change would give the old keycodes.
    const std::unique_ptr<xcb_key_symbols_t, KeySymbolsFree> symbols(xcb_key_symbols_alloc(connection_));
    const XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols.get(), keysym_));
    if (!codes) return false;
    bool grabbed = true;
    for (const xcb_keycode_t* code = codes.get(); *code != XCB_NO_SYMBOL; ++code) {
        keycodes_.push_back(*code);
        for (const std::uint16_t lock : kLockMasks) {
            const auto cookie =
                xcb_grab_key_checked(connection_, 1, root_, static_cast<std::uint16_t>(modifierMask_ | lock), *code,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
                std::free(error);
                grabbed = false;
            }
        }
    }
    return grabbed;
}

void X11HotKey::Ungrab() {
    for (const xcb_keycode_t code : keycodes_) {
        for (const std::uint16_t lock : kLockMasks) {
            xcb_ungrab_key(connection_, code, root_, static_cast<std::uint16_t>(modifierMask_ | lock));
        }
    }
    keycodes_.clear();
}

void X11HotKey::FollowMappingChange(const xcb_generic_event_t* event) {
    if ((event->response_type & 0x7F) != XCB_MAPPING_NOTIFY || keycodes_.empty()) return;
    if (reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_KEYBOARD) return;
    Ungrab();
    GrabKeycodes();
}

bool X11HotKey::Matches(const xcb_generic_event_t* event) const {
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if ((press->state & kRelevantMasks) != modifierMask_) return false;
    for (const xcb_keycode_t code : keycodes_) {
        if (press->detail == code) return true;
    }
    return false;
}

}  // namespace sentrel
