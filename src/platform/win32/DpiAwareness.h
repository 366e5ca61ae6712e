#pragma once

#include <windows.h>

namespace sentrel {

// Makes the process draw at each monitor's own density (per-monitor v2
// from Windows 10 1703, the system density before), so that Windows
// neither stretches its windows into blur nor tells it coordinates other
// than the physical pixels. Call before any window exists.
void BecomeDpiAware();

// The density a window is drawn at, in dots per inch.
int WindowDpi(HWND window);

}  // namespace sentrel
