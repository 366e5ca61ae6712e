#pragma once

#include <cstdint>

#include "monitor/RegionTable.h"

namespace sentrel {

// The engine's part of the window's state.
struct MonitorState {
    ::sentrel::RegionTable RegionTable;
    // The last press and release points; the monitoring pass also uses them
    // as its working copy of the area it is processing.
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::int16_t RegionCount = 0;
    // Always RegionCount + 1; 21 means the table is full.
    std::int16_t NextSlot = 1;
    std::int16_t Monitoring = 0;
    std::int16_t Threshold = 0;
};

}  // namespace sentrel
