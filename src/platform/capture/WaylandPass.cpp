#include "platform/capture/WaylandPass.h"

#include <cmath>

#include "log/ToolLog.h"
#include "platform/windowkind/CornerMark.h"

namespace sentrel {
namespace {

// Every pixel of the mark at a corner, so that the copy holds whatever
// point of it the mark is checked at.
void AddMark(std::vector<ScreenPoint>& points, ScreenPoint corner, double ratio) {
    const auto pixels = [ratio](int units) { return static_cast<int>(std::ceil(units * ratio)); };
    const int width = pixels(CornerMark::kBlockUnits * static_cast<int>(CornerMark::kColours.size()));
    for (int y = 0; y < pixels(CornerMark::kBlockUnits); ++y) {
        for (int x = 0; x < width; ++x) points.push_back({corner.x + x, corner.y + y});
    }
}

bool operator==(const MonitorPlacement& a, const MonitorPlacement& b) {
    return a.x == b.x && a.y == b.y && a.ratio == b.ratio;
}

}  // namespace

void WaylandPass::BeginPass() {
    output_.BeginPass();
    begun_ = false;
}

void WaylandPass::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    if (!begun_) Begin(points);
    mapped_.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) mapped_[i] = MonitorPixels::Map(points[i], at_);
    copy_.Read(mapped_, colours);
    seen_ = copy_.Seen() && lock_ == Lock::None;
}

void WaylandPass::Begin(std::span<const ScreenPoint> units) {
    begun_ = true;
    const MonitorPlacement last{window_.Corner().x, window_.Corner().y, window_.PixelsPerUnit()};
    CopyFor(units, last);
    at_ = window_.Placement(copy_);
    if (!(at_ == last)) CopyFor(units, at_);
    LookForLock();
}

void WaylandPass::CopyFor(std::span<const ScreenPoint> units, MonitorPlacement at) {
    const ScreenPoint corner{at.x, at.y};
    std::vector<ScreenPoint> points =
        LockerCover::Points(output_.OutputPixelWidth(), output_.OutputPixelHeight(), corner);
    AddMark(points, corner, at.ratio);
    for (const ScreenPoint& unit : units) points.push_back(MonitorPixels::Map(unit, at));
    copy_.Take(std::move(points));
}

void WaylandPass::LookForLock() {
    const std::vector<ScreenPoint> look =
        LockerCover::Points(output_.OutputPixelWidth(), output_.OutputPixelHeight(), window_.Corner());
    std::vector<std::int32_t> colours(look.size());
    copy_.Read(look, colours);
    if (copy_.Seen()) covered_ = cover_.Covers(windowShown_(), window_.MarkSeen(), colours);
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

}  // namespace sentrel
