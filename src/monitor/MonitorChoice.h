#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sentrel {

// One monitor as the desktop reports it, in desktop coordinates.
struct MonitorArea {
    std::string name;
    int x = 0, y = 0, width = 0, height = 0;

    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

struct MonitorChoice {
    std::size_t index = 0;  // into the monitors as given
    std::string error;      // why the one asked for was not taken, with the monitors found
};

// The monitors' indices numbered as the user counts them: left to right,
// then top to bottom, whichever is primary.
std::vector<std::size_t> MonitorNumbering(const std::vector<MonitorArea>& monitors);

// The monitor with the user's number (as typed after --screen), or, without
// one, the one under the pointer (the first when the pointer is on none). An
// unknown number gives the default and says why. `monitors` must not be
// empty.
MonitorChoice ChooseMonitor(const std::vector<MonitorArea>& monitors, const std::optional<std::string>& number,
                            int pointerX, int pointerY);

}  // namespace sentrel
