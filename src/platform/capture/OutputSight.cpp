#include "platform/capture/OutputSight.h"

#include <cstdio>

namespace sentrel {

void OutputSight::BeginPass() {
    output_.BeginPass();
    const std::vector<ScreenPoint> look =
        LockerCover::Points(output_.OutputPixelWidth(), output_.OutputPixelHeight(), window_.Corner());
    look_.resize(look.size());
    output_.Read(look, look_);
    if (output_.Seen()) covered_ = cover_.Covers(windowShown_(), window_.MarkSeen(), look_);
    const bool locked = covered_ || announced_();
    if (locked != locked_) {
        std::fputs(locked ? "sentrel: the screen is locked; judgement of the areas is held until it is unlocked\n"
                          : "sentrel: the screen is unlocked\n",
                   stderr);
        locked_ = locked;
    }
}

void OutputSight::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    output_.Read(points, colours);
    seen_ = output_.Seen() && !locked_;
}

}  // namespace sentrel
