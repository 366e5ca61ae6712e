#pragma once

#include <array>

namespace sentrel {

// The watched areas: 20 rows of 8 single-precision cells. Row k is area k.
// Corners are kept as dragged, not normalised; rows that hold no area are
// all zero.
class RegionTable {
public:
    static constexpr int kRows = 20;
    static constexpr int kColumns = 8;

    // Column numbers, 1-based like the rows.
    static constexpr int kPressX = 1;
    static constexpr int kPressY = 2;
    static constexpr int kReleaseX = 3;
    static constexpr int kReleaseY = 4;
    static constexpr int kOrdinal = 5;  // RegionCount before the area was added
    static constexpr int kLastSum = 6;
    static constexpr int kCounter = 7;
    static constexpr int kAlerted = 8;

    // row in 1..kRows, column in 1..kColumns.
    float& Cell(int row, int column) { return cells_.at(static_cast<std::size_t>(row - 1)).at(Index(column)); }
    float Cell(int row, int column) const { return cells_.at(static_cast<std::size_t>(row - 1)).at(Index(column)); }

    void Clear() { cells_ = {}; }

private:
    static std::size_t Index(int column) { return static_cast<std::size_t>(column - 1); }

    std::array<std::array<float, kColumns>, kRows> cells_{};
};

}  // namespace sentrel
