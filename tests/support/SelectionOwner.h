#pragma once

#include <chrono>
#include <string>

namespace sentrel::testing {

// Waits until a client owns the named selection on the current display, as a
// window manager (WM_S0) or compositor (_NET_WM_CM_S0) does once it has taken
// charge: a window mapped before that may be handled as it starts up, not as
// it runs.
bool WaitForSelectionOwner(const std::string& selection, std::chrono::milliseconds timeout);

}  // namespace sentrel::testing
