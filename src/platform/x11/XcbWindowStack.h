#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "monitor/ScreenPixels.h"
#include "platform/x11/XcbPixelFormat.h"
#include "platform/x11/XcbScreenLock.h"

namespace sentrel {

// Where the colour that the screen would show at a point, were Sentrel's own
// window not there, can be read: a drawable, the screen position of its
// origin, and for a tiled wallpaper the size at which it repeats.
struct PixelSource {
    xcb_drawable_t drawable = 0;
    int originX = 0, originY = 0;
    int tileWidth = 0, tileHeight = 0;
    const XcbPixelFormat* format = nullptr;

    ScreenPoint Local(ScreenPoint p) const;
};

// The top-level windows in stacking order, as the server last reported them
// on the reader's connection. With the root's children redirected, each keeps
// its own contents even where others cover it, so a point is read from the
// topmost window that contains it, skipping the one that holds Sentrel's
// window and those of a screen lock; where no window lies, from the
// wallpaper pixmap that desktops publish on the root. Structure and
// wallpaper changes arrive as events, so the stack is fetched again only
// after something changed.
class XcbWindowStack {
public:
    // The lock is told of every fetch and says which windows are left out.
    XcbWindowStack(xcb_connection_t* connection, const xcb_screen_t* screen, XcbScreenLock& lock);

    // The window whose top-level ancestor never counts, asked again whenever
    // the stack is fetched (a toolkit may replace its native window).
    void Exclude(std::function<xcb_window_t()> window);

    // One event of the connection; the lock takes its own.
    void Notice(const xcb_generic_event_t& event);
    // True after an event that changed the windows, until they are fetched.
    bool Stale() const { return dirty_; }
    // Fetches the windows again when they changed, and leaves out what the
    // lock now says to.
    void Update();

    // The source of a point on the screen; nullptr on a bare root that
    // publishes no wallpaper. The server keeps no copy of such a root beneath
    // Sentrel's window, and reading it only while the window is hidden would
    // make every show and hide look like a change.
    const PixelSource* SourceAt(ScreenPoint p) const;

private:
    struct TopLevel {
        int left = 0, top = 0, right = 0, bottom = 0;  // outer edges, right and bottom exclusive
        PixelSource source;
        bool leftOut = false;

        bool Contains(ScreenPoint p) const { return p.x >= left && p.y >= top && p.x < right && p.y < bottom; }
    };

    void Refresh();
    const XcbPixelFormat* FormatOf(std::uint8_t depth, xcb_visualid_t visual);
    xcb_window_t TopLevelOf(xcb_window_t window);
    void FetchWallpaper(xcb_get_property_cookie_t root, xcb_get_property_cookie_t esetroot);

    xcb_connection_t* connection_;
    const xcb_screen_t* screen_;
    XcbScreenLock& lock_;
    xcb_atom_t rootPixmapAtom_ = 0, esetrootPixmapAtom_ = 0;
    std::function<xcb_window_t()> ownWindow_;
    bool dirty_ = true;
    std::vector<TopLevel> topFirst_;
    std::optional<PixelSource> wallpaper_;
    std::map<std::pair<std::uint8_t, xcb_visualid_t>, std::optional<XcbPixelFormat>> formats_;
};

}  // namespace sentrel
