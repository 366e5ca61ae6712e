#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/x11/XcbGrabProbe.h"
#include "platform/x11/XcbScreenSaver.h"

namespace sentrel {

// What hides the screen from its user: a screen locker, or the X server's
// screen saver. Lockers (i3lock, xsecurelock) publish nothing that says they
// lock; what they share is a window that no window manager may move
// (override-redirect) over a whole monitor, and the keyboard held for as
// long as they lock. A full-screen window is the locker's while the keyboard
// is seen held by another client, if it came no more than a few seconds
// before the grab (i3lock maps its window first) or during it. A window
// shown before, such as a video overlay, is read as any other throughout.
// Once the grab ends the window is left out a few seconds more, as a locker
// lets the keyboard go before its window, and is then read.
class XcbScreenLock {
public:
    // A mapped override-redirect top-level window, and its outer edges
    // (right and bottom exclusive).
    struct Window {
        xcb_window_t id = 0;
        int left = 0, top = 0, right = 0, bottom = 0;
    };

    // display: as for xcb_connect, empty for $DISPLAY. readableBeneath: the
    // windows beneath a lock can still be read, as through Composite; said to
    // the user with the lock.
    XcbScreenLock(xcb_connection_t* connection, const xcb_screen_t* screen, std::string display, bool readableBeneath);

    void Notice(const xcb_generic_event_t& event);
    // The override-redirect windows as the stack was last fetched, Sentrel's
    // own left out.
    void Consider(const std::vector<Window>& overrideRedirect);
    // Probes the keyboard while a full-screen window may be a locker's or is
    // one; true when which windows are left out changed. Says on standard error
    // when a lock begins and when it ends.
    bool Settle();

    // Whether a window is left out of what is read: a locker's, one that may
    // yet prove to be, or the saver's.
    bool LeavesOut(xcb_window_t window) const;
    // Whether the screen as shown is a lock's or the saver's, not the windows'.
    bool HidesScreen() const;

private:
    enum class Verdict { Awaited, Shown, Locker };
    struct Candidate {
        Verdict verdict = Verdict::Awaited;
        std::chrono::steady_clock::time_point since;
    };

    const Candidate* Find(xcb_window_t window) const;
    std::string NameOf(xcb_window_t window) const;
    void Tell();

    xcb_connection_t* connection_;
    const xcb_screen_t* screen_;
    bool readableBeneath_;
    XcbScreenSaver saver_;
    XcbGrabProbe probe_;
    std::map<xcb_window_t, Candidate> candidates_;
    // The line that will say the lock told of has ended.
    std::optional<std::string> told_;
};

}  // namespace sentrel
