#include "monitor/PassReads.h"

#include <algorithm>

#include "monitor/SampleArea.h"

namespace sentrel {

PassReads::PassReads(ScreenPixels& screen, const MonitorState& state) : screen_(screen) {
    screen_.BeginPass();
    const RegionTable& table = state.RegionTable;
    for (int n = 1; n <= state.RegionCount; ++n) {
        if (table.Cell(n, RegionTable::kAlerted) != 0) continue;
        grids_.push_back(SampleGrid(table.Cell(n, RegionTable::kPressX), table.Cell(n, RegionTable::kPressY),
                                    table.Cell(n, RegionTable::kReleaseX), table.Cell(n, RegionTable::kReleaseY)));
    }
    taken_.assign(grids_.size(), 0);
}

std::size_t PassReads::Find(std::span<const ScreenPoint> points) {
    // Areas are sampled in order, so the search starts at the current one.
    // Two areas with the same corners have the same grid; taking the first
    // for both still serves each a read made after its previous sample.
    for (std::size_t slot = current_; slot < grids_.size(); ++slot) {
        if (std::ranges::equal(grids_[slot], points)) return current_ = slot;
    }
    return grids_.size();
}

void PassReads::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    const std::size_t slot = Find(points);
    const std::size_t k = slot < grids_.size() ? taken_[slot]++ : 0;
    if (slot < grids_.size() && k == reads_.size()) ReadFrom(slot);
    // Not a watched grid, or asked for after an alert of its own area's pass.
    if (slot == grids_.size() || k >= reads_.size()) {
        screen_.Read(points, colours);
        seen_ = screen_.Seen();
        return;
    }
    const SharedRead& read = reads_[k];
    const auto from = read.colours.begin() + static_cast<std::ptrdiff_t>(read.offsets[slot - read.first]);
    std::copy_n(from, points.size(), colours.begin());
    seen_ = read.seen;
}

void PassReads::Forget() {
    reads_.clear();
    screen_.BeginPass();
}

void PassReads::ReadFrom(std::size_t first) {
    std::vector<ScreenPoint> points;
    SharedRead read{first, {}, {}, true};
    for (std::size_t slot = first; slot < grids_.size(); ++slot) {
        read.offsets.push_back(points.size());
        points.insert(points.end(), grids_[slot].begin(), grids_[slot].end());
    }
    read.colours.assign(points.size(), kUnreadable);
    screen_.Read(points, read.colours);
    read.seen = screen_.Seen();
    reads_.push_back(std::move(read));
}

}  // namespace sentrel
