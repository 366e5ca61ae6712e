#pragma once

#include <cmath>
#include <cstdint>

#include "platform/wayland/OutputCapture.h"
#include "platform/windowkind/CornerMark.h"
#include "support/FakeScreen.h"

namespace sentrel::testing {

// An output in memory, on which Sentrel's corner mark is painted as a
// compositor shows it at a scale: each block on the pixels its units cover.
class MarkedOutput : public OutputCapture {
public:
    static constexpr std::int32_t kBackground = 0x336699;

    std::int32_t OutputPixelWidth() override { return width; }
    std::int32_t OutputPixelHeight() override { return height; }
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        screen.Read(points, colours);
    }
    bool Seen() const override { return screen.Seen(); }

    // The first `blocks` of the mark; the rest as if beneath another window.
    void PaintMark(ScreenPoint corner, double ratio, int blocks = static_cast<int>(CornerMark::kColours.size())) {
        const auto edge = [ratio](int units) { return static_cast<int>(std::floor(units * ratio)); };
        for (int block = 0; block < blocks; ++block) {
            const int left = edge(block * CornerMark::kBlockUnits), right = edge((block + 1) * CornerMark::kBlockUnits);
            const std::int32_t colour = CornerMark::kColours[static_cast<std::size_t>(block)];
            for (int y = 0; y < edge(CornerMark::kBlockUnits); ++y) {
                for (int x = left; x < right; ++x) screen.Set(corner.x + x, corner.y + y, colour);
            }
        }
    }

    std::int32_t width = 0, height = 0;
    FakeScreen screen{512, 512, kBackground};
};

}  // namespace sentrel::testing
