#pragma once

#include <cstdint>

#include "monitor/AreaCanvas.h"
#include "monitor/MonitorState.h"
#include "monitor/MouseButtons.h"

namespace sentrel {

inline constexpr const char* kTooManyAreasMessage = "为保证运算效率，最多只能设置20个监控区域";

// A press on the bare window: remembers where a drag starts.
void PressArea(MonitorState& state, float x, float y);

// A release on the bare window: refuses a 21st area with a notice; otherwise,
// when not monitoring, adds the dragged area (each side at least 5 units) with
// its outline and label, and a right-button release then clears all areas.
void ReleaseArea(MonitorState& state, AreaCanvas& canvas, std::int16_t button, float x, float y);

// Removes every outline, area label and area.
void ClearAreas(MonitorState& state, AreaCanvas& canvas);

}  // namespace sentrel
