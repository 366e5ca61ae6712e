#pragma once

#include <QWidget>
#include <string>

namespace sentrel {

// Under XWayland the X root shows only X11 windows: native Wayland windows
// read as black there, and would never count. The user must hear it, with
// why and what to do, in a box that does not stop the window.
void WarnWhenOnlyX11WindowsCanBeSeen(QWidget& window, const std::string& why);

// Where the screen cast never started, nothing on the screen can be seen:
// the user hears why and what to do, and Sentrel keeps running.
void WarnThatNothingCanBeSeen(QWidget& window, const std::string& why);

}  // namespace sentrel
