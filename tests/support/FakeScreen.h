#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "monitor/ScreenPixels.h"

namespace sentrel::testing {

// An in-memory screen. Remembers every batch of points it was asked for.
class FakeScreen : public ScreenPixels {
public:
    FakeScreen(int width, int height, std::int32_t fill = 0)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), fill) {}

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        batches.emplace_back(points.begin(), points.end());
        for (std::size_t i = 0; i < points.size(); ++i) colours[i] = At(points[i].x, points[i].y);
        if (afterRead) std::exchange(afterRead, nullptr)();
    }

    bool Seen() const override { return seen; }
    void BeginPass() override {
        if (onBeginPass) onBeginPass();
    }

    std::int32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return kUnreadable;
        return pixels_[static_cast<std::size_t>(y * width_ + x)];
    }
    void Set(int x, int y, std::int32_t colour) { pixels_[static_cast<std::size_t>(y * width_ + x)] = colour; }
    void Fill(std::int32_t colour) { pixels_.assign(pixels_.size(), colour); }

    std::vector<std::vector<ScreenPoint>> batches;
    // False: the screen is locked, or the capture failed.
    bool seen = true;
    // Run once, after the next read, and as each pass begins: let a test
    // change the screen between samples, or lock it as a pass begins.
    std::function<void()> afterRead, onBeginPass;

private:
    int width_, height_;
    std::vector<std::int32_t> pixels_;
};

}  // namespace sentrel::testing
