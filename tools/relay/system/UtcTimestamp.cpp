#include "relay/system/UtcTimestamp.h"

#include <ctime>

namespace sentrel::service {

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string LocalHourMinute(std::int64_t epochMs) {
    const std::time_t seconds = static_cast<std::time_t>(epochMs / 1000);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &parts);
    return text;
}

std::int64_t EpochMilliseconds(std::chrono::system_clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
}

}  // namespace sentrel::service
