#include "app/HoldNote.h"

#include <chrono>
#include <ctime>

namespace sentrel {
namespace {

std::string WallTime(Clock::TimePoint at, Clock::TimePoint now) {
    const auto wall =
        std::chrono::system_clock::now() - std::chrono::duration_cast<std::chrono::system_clock::duration>(now - at);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    char text[16] = "";
    std::strftime(text, sizeof text, "%H:%M:%S", std::localtime(&seconds));
    return text;
}

}  // namespace

std::string HoldNote(const ScreenHold::Span& span, Clock::TimePoint now) {
    std::string areas;
    for (const int n : span.areas) areas += (areas.empty() ? "" : ", ") + std::to_string(n);
    const std::string from = WallTime(span.from, now), to = WallTime(span.to, now);
    return "屏幕在 " + from + " 至 " + to + " 之间无法看到（锁屏、黑屏或截屏失败），监控区域 " + areas +
           " 暂停判断，之后重新取样。\nSentrel could not see the screen from " + from + " to " + to +
           " (locked, blanked, or the capture failed); areas " + areas + " were held, then sampled afresh.";
}

}  // namespace sentrel
