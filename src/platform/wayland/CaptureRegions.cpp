#include "platform/wayland/CaptureRegions.h"

#include <algorithm>

namespace sentrel {
namespace {

// What one copy more costs the compositor and us, in pixels copied: a
// frame's requests and events, and a buffer of its own.
constexpr std::int32_t kCopySide = 64;
constexpr std::int64_t kCopyCost = std::int64_t{kCopySide} * kCopySide;
// Beyond this, one copy of the whole output costs less than the planning.
constexpr std::size_t kMostCandidates = 256;

struct Box {
    std::int32_t x0, y0, x1, y1;  // x1, y1 past the end
    std::int64_t Cost() const { return std::int64_t{x1 - x0} * (y1 - y0) + kCopyCost; }
    Box Joined(const Box& b) const {
        return {std::min(x0, b.x0), std::min(y0, b.y0), std::max(x1, b.x1), std::max(y1, b.y1)};
    }
};

}  // namespace

std::vector<PixelRect> CaptureRegions(std::span<const ScreenPoint> points, PixelSize output) {
    const PixelRect whole{0, 0, output.width, output.height};
    if (whole.Area() <= 0) return {};
    // Points in one cell share a rectangle whatever else lies around them,
    // since no rectangle in a cell costs more than a copy does, which keeps
    // the pairwise joining below short.
    const std::int32_t cell = kCopySide;
    const std::int32_t columns = (output.width + cell - 1) / cell, rows = (output.height + cell - 1) / cell;
    std::vector<Box> cells(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), Box{0, 0, 0, 0});
    std::vector<Box> boxes;
    for (const ScreenPoint& p : points) {
        if (!whole.Contains(p)) continue;
        Box& b = cells[static_cast<std::size_t>(p.y / cell) * static_cast<std::size_t>(columns) +
                       static_cast<std::size_t>(p.x / cell)];
        b = b.x1 == 0 ? Box{p.x, p.y, p.x + 1, p.y + 1} : b.Joined({p.x, p.y, p.x + 1, p.y + 1});
    }
    for (const Box& b : cells) {
        if (b.x1 != 0) boxes.push_back(b);
    }
    if (boxes.size() > kMostCandidates) return {whole};
    // Two rectangles become one wherever one costs no more than the two.
    for (bool joined = true; joined;) {
        joined = false;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            for (std::size_t j = i + 1; j < boxes.size();) {
                const Box both = boxes[i].Joined(boxes[j]);
                if (both.Cost() <= boxes[i].Cost() + boxes[j].Cost()) {
                    boxes[i] = both;
                    boxes.erase(boxes.begin() + static_cast<std::ptrdiff_t>(j));
                    joined = true;
                } else {
                    ++j;
                }
            }
        }
    }
    // Copies of their own pay only well below the whole output's one.
    std::int64_t cost = 0;
    for (const Box& b : boxes) cost += b.Cost();
    if (2 * cost > whole.Area()) return {whole};
    std::vector<PixelRect> regions;
    for (const Box& b : boxes) regions.push_back({b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0});
    return regions;
}

}  // namespace sentrel
