#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "platform/wayland/WaylandScreenReader.h"
#include "platform/x11/XcbScreenReader.h"

namespace sentrel {

// How this session's screen is read: natively where a Wayland compositor
// copies its screen for clients (wlroots) or the desktop casts it through
// its portal (GNOME, KDE Plasma), else through X11, which on other Wayland
// sessions is XWayland.
struct ScreenCapture {
    std::unique_ptr<WaylandScreenReader> wayland;
    // Set when the screen comes through the screen-cast portal, which is
    // asked once the toolkit runs.
    bool portal = false;
    std::unique_ptr<XcbScreenReader> x11;
    // Why a Wayland session is read through XWayland; empty otherwise.
    std::string whyNotWayland;
};

// Chosen before the toolkit starts, since it sets the toolkit's platform.
// Says the choice on standard error. Throws std::runtime_error when no
// display can be read.
ScreenCapture ChooseScreenCapture();

// Under XWayland the X root shows only X11 windows: native Wayland windows
// read as black there, and would never count. The user must hear it, with
// why and what to do, in a box that does not stop the window.
void WarnWhenOnlyX11WindowsCanBeSeen(QWidget& window, const std::string& why);

// Where the screen cast never started, nothing on the screen can be seen:
// the user hears why and what to do, and Sentrel keeps running.
void WarnThatNothingCanBeSeen(QWidget& window, const std::string& why);

}  // namespace sentrel
