#include "monitor/ScreenHold.h"

namespace sentrel {

void ScreenHold::Hold(int n) {
    if (heldInSpan_.empty()) from_ = clock_.Now();
    held_.insert(n);
    heldInSpan_.insert(n);
}

void ScreenHold::Saw(int n) {
    held_.erase(n);
    judged_.insert(n);
}

std::optional<ScreenHold::Span> ScreenHold::Current() const {
    if (held_.empty()) return std::nullopt;
    return Span{from_, clock_.Now(), {held_.begin(), held_.end()}};
}

std::optional<ScreenHold::Span> ScreenHold::Ended() {
    if (!held_.empty() || heldInSpan_.empty()) return std::nullopt;
    Span span{from_, clock_.Now(), {heldInSpan_.begin(), heldInSpan_.end()}};
    heldInSpan_.clear();
    return span;
}

void ScreenHold::Clear() {
    held_.clear();
    heldInSpan_.clear();
    judged_.clear();
}

}  // namespace sentrel
