#include "platform/wayland/LockerCover.h"

#include <algorithm>

namespace sentrel {
namespace {

// Enough points that a desktop is seldom flat at all of them, few enough to
// cost nothing beside a pass's samples.
constexpr int kColumns = 16, kRows = 9;

// The grid's points within about a fifth of the output's size from its
// centre: swaylock's ring, at any scale, and the text in it lie there.
bool InMiddle(std::size_t point) {
    const auto column = static_cast<int>(point % kColumns), row = static_cast<int>(point / kColumns);
    return row < kRows && column >= 6 && column <= 9 && row >= 3 && row <= 5;
}

}  // namespace

std::vector<ScreenPoint> LockerCover::Points(std::int32_t width, std::int32_t height, ScreenPoint corner) {
    std::vector<ScreenPoint> points;
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            points.push_back({static_cast<std::int32_t>((2 * column + 1) * std::int64_t{width} / (2 * kColumns)),
                              static_cast<std::int32_t>((2 * row + 1) * std::int64_t{height} / (2 * kRows))});
        }
    }
    points.push_back(corner);
    return points;
}

bool LockerCover::Covers(bool windowShown, bool markSeen, std::span<const std::int32_t> colours) {
    markSeenSinceShown_ = windowShown && (markSeen || markSeenSinceShown_);
    if (!windowShown || markSeen) {
        covered_ = false;
    } else if (covered_) {
        covered_ = true;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            if (!InMiddle(i) && colours[i] != coverColour_) covered_ = false;
        }
    } else if (markSeenSinceShown_ && colours.front() != ScreenPixels::kUnreadable &&
               std::ranges::all_of(colours, [&](std::int32_t c) { return c == colours.front(); })) {
        covered_ = true;
        coverColour_ = colours.front();
    }
    return covered_;
}

}  // namespace sentrel
