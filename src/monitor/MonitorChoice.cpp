#include "monitor/MonitorChoice.h"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "client/DecimalText.h"

namespace sentrel {

std::vector<std::size_t> MonitorNumbering(const std::vector<MonitorArea>& monitors) {
    std::vector<std::size_t> order(monitors.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&monitors](std::size_t a, std::size_t b) {
        return std::tie(monitors[a].x, monitors[a].y) < std::tie(monitors[b].x, monitors[b].y);
    });
    return order;
}

MonitorChoice ChooseMonitor(const std::vector<MonitorArea>& monitors, const std::optional<std::string>& number,
                            int pointerX, int pointerY) {
    const std::vector<std::size_t> numbering = MonitorNumbering(monitors);
    const int last = static_cast<int>(numbering.size()) - 1;
    if (const std::optional<int> n = number ? ParseDecimal(*number, 0, last) : std::nullopt) {
        return {numbering[static_cast<std::size_t>(*n)], {}};
    }
    const auto underPointer = std::find_if(numbering.begin(), numbering.end(), [&](std::size_t index) {
        return monitors[index].Contains(pointerX, pointerY);
    });
    MonitorChoice choice{underPointer != numbering.end() ? *underPointer : numbering.front(), {}};
    if (!number) return choice;
    choice.error = "there is no monitor \"" + *number + "\"; the monitors found are:";
    for (std::size_t n = 0; n < numbering.size(); ++n) {
        const MonitorArea& m = monitors[numbering[n]];
        choice.error += "\n  " + std::to_string(n) + ": " + m.name + ", " + std::to_string(m.width) + "x" +
                        std::to_string(m.height) + " at " + std::to_string(m.x) + "," + std::to_string(m.y);
    }
    choice.error += "\nstarting on monitor " +
                    std::to_string(std::find(numbering.begin(), numbering.end(), choice.index) - numbering.begin());
    return choice;
}

}  // namespace sentrel
