#include "monitor/AreaCaptions.h"

#include <cmath>
#include <cstdio>

namespace sentrel {

std::string AreaCaption(int n) { return "监控区域" + std::to_string(n); }

std::string AreaCounterCaption(int n, float counter) {
    // Counters hold whole numbers, written without a decimal point.
    char digits[64];
    if (counter == std::trunc(counter)) {
        std::snprintf(digits, sizeof digits, "%.0f", static_cast<double>(counter));
    } else {
        std::snprintf(digits, sizeof digits, "%g", static_cast<double>(counter));
    }
    return AreaCaption(n) + "阀值为：" + digits;
}

}  // namespace sentrel
