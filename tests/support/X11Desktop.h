#pragma once

#include <string>

#include "support/SentrelLayout.h"

namespace sentrel::testing {

// The X display as a user meets it: xdotool for the mouse and keys,
// ImageMagick for what the screen shows.

// What a shell command printed.
std::string Command(const std::string& command);
// Runs xdotool with these arguments; a failure fails the test.
void Xdotool(const std::string& args);
void ClickAt(Spot spot);
// The colour of one screen pixel, as "r,g,b".
std::string PixelAt(int x, int y);
// The id of a visible window of exactly this name, or "".
std::string VisibleWindow(const std::string& exactName);

}  // namespace sentrel::testing
