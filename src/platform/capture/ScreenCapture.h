#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "monitor/MonitorPixels.h"
#include "platform/windowkind/WindowKind.h"

namespace sentrel {

// How this session's screen is read, and where Sentrel's window lies on
// what is read: natively where a Wayland compositor copies its screen for
// clients (wlroots) or the desktop casts it through its portal (GNOME, KDE
// Plasma), else through X11, which on other Wayland sessions is XWayland.
class ScreenCapture {
public:
    // Chosen before the toolkit starts, since it sets the toolkit's platform.
    // Says the choice on standard error. Throws std::runtime_error when no
    // display can be read.
    static std::unique_ptr<ScreenCapture> Choose();

    virtual ~ScreenCapture() = default;
    // Told to the window as it is made.
    virtual WindowKind Kind() const = 0;
    // The screen's pixels per window unit where the window lies; 1 until
    // known.
    virtual double PixelsPerUnit() = 0;
    // The screen in `window`'s units, as monitoring passes read it: each pass
    // places the window once. onDesktop: where the window's units fall on
    // an X11 desktop, which tells its clients where their windows are.
    virtual ScreenPixels& Through(QWidget& window, std::function<MonitorPlacement()> onDesktop) = 0;
    // Runs `load` once the screen can be read or is known never to be, and
    // tells the user, over the window, what cannot be seen.
    virtual void Start(std::function<void()> load) = 0;
};

}  // namespace sentrel
