#include "app/HoldNote.h"

#include <chrono>
#include <ctime>

namespace sentrel {
namespace {

constexpr const char* kWhy = "（锁屏、黑屏、全屏遮盖或截屏失败）";

std::string WallTime(Clock::TimePoint at, Clock::TimePoint now) {
    const auto wall =
        std::chrono::system_clock::now() - std::chrono::duration_cast<std::chrono::system_clock::duration>(now - at);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    char text[16] = "";
    std::strftime(text, sizeof text, "%H:%M:%S", std::localtime(&seconds));
    return text;
}

std::string Areas(const ScreenHold::Span& span) {
    std::string areas;
    for (const int n : span.areas) areas += (areas.empty() ? "" : ", ") + std::to_string(n);
    return areas;
}

}  // namespace

std::string OngoingHoldNote(const ScreenHold::Span& span, Clock::TimePoint now) {
    return "屏幕自 " + WallTime(span.from, now) + " 起无法看到" + kWhy + "，监控区域 " + Areas(span) +
           " 暂停判断，看到屏幕后重新取样。";
}

std::string EndedHoldNote(const ScreenHold::Span& span, Clock::TimePoint now) {
    return "屏幕在 " + WallTime(span.from, now) + " 至 " + WallTime(span.to, now) + " 之间无法看到" + kWhy +
           "，监控区域 " + Areas(span) + " 暂停判断，之后已重新取样。";
}

}  // namespace sentrel
