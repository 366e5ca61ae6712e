#pragma once

namespace sentrel {

// What Sentrel's window must be for the screen beneath its areas to be read.
enum class WindowKind {
    // An X11 window: the screen is read beneath it, and it is put where it
    // covers its monitor.
    ReadBeneath,
    // A Wayland window: the screen is read as composited, the window
    // included, so it is clear at every sample point and marks its corner;
    // the compositor places it.
    Pinholed,
};

}  // namespace sentrel
