#include "platform/capture/OutputSight.h"
#include "log/ToolLog.h"

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
        Say(said::Locked("the desktop says so", false));
    } else if (lock == Lock::Covered) {
        Say(said::LockGuessed("Sentrel's window is covered and the screen is one colour"));
    } else {
        Say(lock_ == Lock::Announced ? std::string(said::kUnlocked)
                                     : std::string(said::kShownAgain) + "; judgement of the areas goes on");
    }
    lock_ = lock;
}

void OutputSight::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    output_.Read(points, colours);
    seen_ = output_.Seen() && lock_ == Lock::None;
}

}  // namespace sentrel
