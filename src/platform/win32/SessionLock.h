#pragma once

#include <windows.h>

namespace sentrel {

// Whether this logon session's desktop is out of sight, as Windows tells
// the main window: while the session is locked, or while no screen shows it
// (its console or remote connection gone), a screen read gives the lock
// screen, black, or nothing, whatever lies beneath.
class SessionLock {
public:
    // The event of a WM_WTSSESSION_CHANGE (its wParam). Each change of state
    // is told once on standard error.
    void Change(WPARAM event);
    bool Hidden() const { return locked_ || disconnected_; }

private:
    bool locked_ = false;
    bool disconnected_ = false;
};

}  // namespace sentrel
