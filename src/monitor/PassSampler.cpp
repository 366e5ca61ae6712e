#include "monitor/PassSampler.h"

#include "monitor/SampleArea.h"

namespace sentrel {

void PassSampler::Watch(int n, float x1, float y1, float x2, float y2) {
    slots_[n] = grids_.size();
    grids_.push_back(SampleGrid(x1, y1, x2, y2));
    taken_.push_back(0);
}

float PassSampler::Sample(int n) {
    const std::size_t slot = slots_.at(n);
    const std::size_t k = taken_[slot]++;
    if (k == reads_.size()) ReadFrom(slot);
    if (reads_[k].first > slot) {
        // Asked out of order: this area was not in that read.
        std::vector<std::int32_t> colours(grids_[slot].size(), ScreenPixels::kUnreadable);
        screen_.Read(grids_[slot], colours);
        return SumColours(colours);
    }
    return reads_[k].sums[slot - reads_[k].first];
}

void PassSampler::ReadFrom(std::size_t first) {
    std::vector<ScreenPoint> points;
    for (std::size_t slot = first; slot < grids_.size(); ++slot) {
        points.insert(points.end(), grids_[slot].begin(), grids_[slot].end());
    }
    std::vector<std::int32_t> colours(points.size(), ScreenPixels::kUnreadable);
    screen_.Read(points, colours);
    Read read{first, {}};
    std::span<const std::int32_t> rest(colours);
    for (std::size_t slot = first; slot < grids_.size(); ++slot) {
        read.sums.push_back(SumColours(rest.first(grids_[slot].size())));
        rest = rest.subspan(grids_[slot].size());
    }
    reads_.push_back(std::move(read));
}

}  // namespace sentrel
