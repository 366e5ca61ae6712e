#include "platform/capture/OutputCopy.h"

#include <algorithm>

namespace sentrel {
namespace {

bool RowFirst(ScreenPoint a, ScreenPoint b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }

}  // namespace

void OutputCopy::Take(std::vector<ScreenPoint> points) {
    std::ranges::sort(points, RowFirst);
    points.erase(std::unique(points.begin(), points.end()), points.end());
    points_ = std::move(points);
    colours_.assign(points_.size(), kUnreadable);
    output_.Read(points_, colours_);
    copySeen_ = output_.Seen();
    seen_ = copySeen_;
}

void OutputCopy::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto held = std::ranges::lower_bound(points_, points[i], RowFirst);
        if (held == points_.end() || !(*held == points[i])) {
            output_.Read(points, colours);
            seen_ = output_.Seen();
            return;
        }
        colours[i] = colours_[static_cast<std::size_t>(held - points_.begin())];
    }
    seen_ = copySeen_;
}

}  // namespace sentrel
