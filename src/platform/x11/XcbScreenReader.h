#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "monitor/ScreenPixels.h"
#include "platform/x11/XcbConnection.h"
#include "platform/x11/XcbPixelFormat.h"
#include "platform/x11/XcbScreenLock.h"
#include "platform/x11/XcbWindowStack.h"

namespace sentrel {

// Reads what the screen shows beneath Sentrel's own window, on a connection
// of its own so the reads never queue behind the toolkit's drawing. Through
// the Composite extension every top-level window keeps its contents while
// covered, so each point is read from the window that would show there
// without Sentrel's, and a screen lock's windows are left out: watching goes
// on beneath the lock. A read costs one round trip: the GetImage requests of
// its copy plan are all sent before any reply is read.
class XcbScreenReader : public ScreenPixels {
public:
    // display: as for XOpenDisplay, nullptr for $DISPLAY. Throws
    // std::runtime_error when the display cannot be opened.
    explicit XcbScreenReader(const char* display = nullptr);

    // The window that never counts (Sentrel's main window); asked again
    // whenever the windows on the screen change.
    void Exclude(std::function<xcb_window_t()> window);
    // False where the display lacks the Composite extension: then the screen
    // is read as shown, Sentrel's window and a lock's included.
    bool SeesBeneathWindows() const { return redirected_; }

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    // False when the screen was read as shown while a lock or the saver hid it.
    bool Seen() const override { return seen_; }

private:
    bool OnScreen(const ScreenPoint& p) const { return p.x >= 0 && p.y >= 0 && p.x < width_ && p.y < height_; }
    void TakeEvents();
    void ReadOnce(std::span<const ScreenPoint> points, std::span<std::int32_t> colours);

    XcbConnectionPtr connection_;
    int width_ = 0, height_ = 0;
    std::optional<XcbPixelFormat> rootFormat_;
    PixelSource screen_;
    bool redirected_ = false;
    bool seen_ = true;
    // Made once the display is known; always there.
    std::optional<XcbScreenLock> lock_;
    std::optional<XcbWindowStack> stack_;
};

}  // namespace sentrel
