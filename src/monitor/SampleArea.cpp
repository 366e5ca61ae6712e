#include "monitor/SampleArea.h"

#include <algorithm>
#include <cmath>

namespace sentrel {
namespace {

// Steps and sides are 16-bit quantities; clamping keeps absurd corners (far
// beyond any screen) from overflowing instead of letting them wrap.
std::int32_t ClampTo16Bits(double value) { return static_cast<std::int32_t>(std::clamp(value, -32768.0, 32767.0)); }

// Nearest integer with halves going to the even neighbour (the default
// floating-point rounding mode), within 32 bits.
std::int32_t RoundHalfEven(double value) {
    return static_cast<std::int32_t>(std::clamp(std::nearbyint(value), -2147483648.0, 2147483647.0));
}

// A fifth of the side, rounded down. The side is taken as rounded, as the
// walk's end is: with whole-number corners that changes nothing, and with
// fractional ones (a window at 144 dpi, Wayland's pointer) it keeps a side
// to the 5 to 9 samples forward and 4 to 7 backward of a whole-number side,
// where the exact side could give 10.
std::int32_t Step(std::int32_t side) {
    const auto step = static_cast<std::int32_t>(std::floor(side / 5.0));
    if (step != 0) return step;
    return side >= 0 ? 1 : -1;
}

// 1, 1 + step, 1 + 2 step, ... while the offset has not passed end.
std::vector<std::int32_t> Offsets(std::int32_t step, std::int32_t end) {
    std::vector<std::int32_t> offsets;
    for (std::int32_t offset = 1; step >= 0 ? offset <= end : offset >= end; offset += step) {
        offsets.push_back(offset);
    }
    return offsets;
}

}  // namespace

std::vector<ScreenPoint> SampleGrid(float x1, float y1, float x2, float y2) {
    std::vector<ScreenPoint> points;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return points;

    const std::int32_t endY = ClampTo16Bits(std::nearbyint(static_cast<double>(y2) - y1));
    const std::int32_t endX = ClampTo16Bits(std::nearbyint(static_cast<double>(x2) - x1));
    const std::vector<std::int32_t> rows = Offsets(Step(endY), endY);
    const std::vector<std::int32_t> columns = Offsets(Step(endX), endX);
    points.reserve(rows.size() * columns.size());
    for (const std::int32_t l : rows) {
        for (const std::int32_t t : columns) {
            points.push_back(
                ScreenPoint{RoundHalfEven(static_cast<double>(x1) + t), RoundHalfEven(static_cast<double>(y1) + l)});
        }
    }
    return points;
}

float SumColours(std::span<const std::int32_t> colours) {
    float sum = 0.0f;
    for (const std::int32_t colour : colours) {
        sum = static_cast<float>(static_cast<double>(sum) + colour);
    }
    return sum;
}

float SampleArea(ScreenPixels& screen, float x1, float y1, float x2, float y2) {
    const std::vector<ScreenPoint> points = SampleGrid(x1, y1, x2, y2);
    std::vector<std::int32_t> colours(points.size(), ScreenPixels::kUnreadable);
    screen.Read(points, colours);
    return SumColours(colours);
}

}  // namespace sentrel
