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
    const bool announced = announced_();
    desktopAnnounces_ = desktopAnnounces_ || announced;
    const Lock lock = announced ? Lock::Announced : covered_ && !desktopAnnounces_ ? Lock::Covered : Lock::None;
    if (lock == lock_) return;
    if (lock == Lock::Announced) {
        std::fputs("sentrel: the screen is locked; judgement of the areas is held until it is unlocked\n", stderr);
    } else if (lock == Lock::Covered) {
        std::fputs(
            "sentrel: the screen looks locked, though the desktop did not say so: Sentrel's window is covered and the "
            "screen is one colour; judgement of the areas is held until anything else shows\n",
            stderr);
    } else {
        std::fputs(lock_ == Lock::Announced ? "sentrel: the screen is unlocked\n"
                                            : "sentrel: the screen shows again; judgement of the areas goes on\n",
                   stderr);
    }
    lock_ = lock;
}

void OutputSight::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    output_.Read(points, colours);
    seen_ = output_.Seen() && lock_ == Lock::None;
}

}  // namespace sentrel
