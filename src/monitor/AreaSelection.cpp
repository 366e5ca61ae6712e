#include "monitor/AreaSelection.h"

#include <cmath>

#include "monitor/AreaCaptions.h"

namespace sentrel {
namespace {

constexpr float kMinimumSide = 5.0f;

// Moves a release closer than 5 units to the press point to exactly 5 units
// away: forward when it lies at or past the press point, backward otherwise.
void ApplySizeRule(float press, float& release) {
    if (std::fabs(release - press) < kMinimumSide && release >= press) release = press + kMinimumSide;
    if (std::fabs(release - press) < kMinimumSide && release <= press) release = press - kMinimumSide;
}

}  // namespace

void PressArea(MonitorState& state, float x, float y) {
    state.X1 = x;
    state.Y1 = y;
}

void ReleaseArea(MonitorState& state, AreaCanvas& canvas, std::int16_t button, float x, float y) {
    if (state.NextSlot > RegionTable::kRows) {
        canvas.Notice(kTooManyAreasMessage);
        return;
    }
    state.X2 = x;
    state.Y2 = y;
    ApplySizeRule(state.X1, state.X2);
    ApplySizeRule(state.Y1, state.Y2);

    if (state.Monitoring == 0) {
        canvas.DrawOutline(Outline{state.X1, state.Y1, state.X2, state.Y2});
        RegionTable& table = state.RegionTable;
        const int row = state.NextSlot;
        table.Cell(row, RegionTable::kPressX) = state.X1;
        table.Cell(row, RegionTable::kPressY) = state.Y1;
        table.Cell(row, RegionTable::kReleaseX) = state.X2;
        table.Cell(row, RegionTable::kReleaseY) = state.Y2;
        table.Cell(row, RegionTable::kOrdinal) = state.RegionCount;
        table.Cell(row, RegionTable::kLastSum) = 0;
        table.Cell(row, RegionTable::kCounter) = 0;
        table.Cell(row, RegionTable::kAlerted) = 0;
        ++state.NextSlot;
        ++state.RegionCount;
        const int n = state.RegionCount;
        canvas.AddAreaLabel(n, AreaCaption(n), state.X2, state.Y2);
    }

    if (button == kRightButton && state.Monitoring == 0) ClearAreas(state, canvas);
}

void ClearAreas(MonitorState& state, AreaCanvas& canvas) {
    canvas.ClearOutlines();
    for (int n = state.RegionCount; n >= 1; --n) canvas.RemoveAreaLabel(n);
    state.RegionCount = 0;
    state.RegionTable.Clear();
    state.NextSlot = 1;
}

}  // namespace sentrel
