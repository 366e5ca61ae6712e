#include "platform/windowkind/CornerMark.h"

#include <cmath>
#include <vector>

namespace sentrel {
namespace {

// The centres of the mark's blocks, relative to the window's corner pixel.
std::array<ScreenPoint, 4> Centres(double ratio) {
    std::array<ScreenPoint, 4> centres{};
    const double middle = (CornerMark::kBlockUnits / 2.0) * ratio;
    for (std::size_t i = 0; i < centres.size(); ++i) {
        centres[i] = {
            static_cast<std::int32_t>(std::floor(static_cast<double>(i * CornerMark::kBlockUnits) * ratio + middle)),
            static_cast<std::int32_t>(std::floor(middle))};
    }
    return centres;
}

// The first match of the centres may lie anywhere in the first block: its
// corner is where that block's colour begins, up and to the left.
ScreenPoint FirstBlockCorner(ScreenPixels& screen, ScreenPoint inside) {
    constexpr int kReach = 64;
    std::vector<ScreenPoint> points;
    for (int k = 0; k < kReach; ++k) points.push_back({inside.x, inside.y - k});
    for (int k = 0; k < kReach; ++k) points.push_back({inside.x - k, inside.y});
    std::vector<std::int32_t> colours(points.size());
    screen.Read(points, colours);
    const auto reach = [&](std::size_t first) {
        int k = 0;
        while (k + 1 < kReach && colours[first + static_cast<std::size_t>(k) + 1] == CornerMark::kColours[0]) ++k;
        return k;
    };
    return {inside.x - reach(kReach), inside.y - reach(0)};
}

}  // namespace

std::optional<ScreenPoint> CornerMark::Find(ScreenPixels& screen, double ratio) {
    const auto centres = Centres(ratio);
    std::vector<ScreenPoint> points;
    points.reserve(static_cast<std::size_t>(kSearchPixels * kSearchPixels) * centres.size());
    for (int y = 0; y < kSearchPixels; ++y) {
        for (int x = 0; x < kSearchPixels; ++x) {
            for (const ScreenPoint& c : centres) points.push_back({x + c.x, y + c.y});
        }
    }
    std::vector<std::int32_t> colours(points.size());
    screen.Read(points, colours);
    for (std::size_t corner = 0; corner < points.size(); corner += centres.size()) {
        bool marked = true;
        for (std::size_t i = 0; i < centres.size() && marked; ++i) marked = colours[corner + i] == kColours[i];
        if (marked) return FirstBlockCorner(screen, points[corner]);
    }
    return std::nullopt;
}

bool CornerMark::At(ScreenPixels& screen, ScreenPoint corner, double ratio) {
    const auto centres = Centres(ratio);
    std::array<ScreenPoint, 4> points{};
    for (std::size_t i = 0; i < centres.size(); ++i) points[i] = {corner.x + centres[i].x, corner.y + centres[i].y};
    std::array<std::int32_t, 4> colours{};
    screen.Read(points, colours);
    return colours == kColours;
}

}  // namespace sentrel
