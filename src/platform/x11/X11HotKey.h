#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

namespace sentrel {

// A system-wide key grabbed on the root window. It is grabbed once for
// every combination of NumLock and CapsLock as well, since X matches
// modifiers exactly and either lock would otherwise swallow the key.
class X11HotKey {
public:
    X11HotKey(xcb_connection_t* connection, xcb_window_t root);
    // The grab would otherwise outlive the key on a connection that stays open.
    ~X11HotKey();
    X11HotKey(const X11HotKey&) = delete;
    X11HotKey& operator=(const X11HotKey&) = delete;

    // modifiers: kModAlt, kModControl and kModShift flags; keyCode: a
    // Windows virtual-key code for a letter or digit. False when the key has
    // no keycode here or another client holds the combination.
    bool Grab(std::int32_t modifiers, std::int32_t keyCode);

    // True for a key press of the grabbed combination.
    bool Matches(const xcb_generic_event_t* event) const;
    // After a keyboard mapping change (another layout, say) the key may sit
    // on other keycodes: the grab moves with it.
    void FollowMappingChange(const xcb_generic_event_t* event);

private:
    bool GrabKeycodes();
    void Ungrab();

    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_keysym_t keysym_ = 0;
    std::vector<xcb_keycode_t> keycodes_;
    std::uint16_t modifierMask_ = 0;
};

}  // namespace sentrel
