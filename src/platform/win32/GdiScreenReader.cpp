#include "platform/win32/GdiScreenReader.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "monitor/CopyPlan.h"
#include "platform/win32/GdiHandles.h"

namespace sentrel {
namespace {

// A top-down 32-bit DIB section selected into a memory DC for as long as it
// lives: screen rectangles are copied into it and read from its bits.
class CopyBuffer {
public:
    CopyBuffer(HDC screen, int width, int rows) : width_(width) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -rows;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_.reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        memory_.reset(CreateCompatibleDC(screen));
        if (bitmap_ && memory_ && bits_ != nullptr) selection_.emplace(memory_.get(), bitmap_.get());
    }

    // Copies the screen's rectangle at (left, top) to the buffer's corner;
    // false too when the buffer could not be made.
    bool Copy(HDC screen, int left, int top, int width, int height) {
        // GDI may hold the copy back in its batch; the bits are only ours
        // to read once the batch has run.
        return selection_ && selection_->Made() &&
               BitBlt(memory_.get(), 0, 0, width, height, screen, left, top, SRCCOPY) != 0 && GdiFlush() != 0;
    }

    // As 0x00BBGGRR; the DIB holds 0x00RRGGBB.
    std::int32_t At(int x, int row) const {
        const std::uint32_t rgb = static_cast<const std::uint32_t*>(bits_)[static_cast<std::size_t>(row) * width_ + x];
        return static_cast<std::int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }

private:
    GdiObject<HBITMAP> bitmap_;
    MemoryDc memory_;
    std::optional<Selection> selection_;
    void* bits_ = nullptr;
    int width_;
};

RECT VirtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool Inside(const RECT& r, const ScreenPoint& p) {
    return p.x >= r.left && p.y >= r.top && p.x < r.right && p.y < r.bottom;
}

// A BitBlt from the screen costs far more than its pixels (under Wine each
// is an X round trip): few copies of whole rows beat many small ones.
constexpr CopyCosts kBitBltCosts{8192, 4096};

}  // namespace

void GdiScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    const RECT screen = VirtualScreen();
    std::vector<SourcePoint> located;
    located.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (Inside(screen, points[i])) located.push_back({i, 0, points[i]});
    }
    // Points all off the screen ask nothing of it, which is no failure.
    failedWhole_ = false;
    if (located.empty()) return;
    const CopyPlan plan = PlanCopies(located, kBitBltCosts);

    const WindowDc dc(nullptr);
    // One buffer as large as the largest rectangle serves them all.
    int width = 0, height = 0;
    for (const CopyRect& r : plan.rects) {
        width = std::max(width, r.width);
        height = std::max(height, r.height);
    }
    CopyBuffer buffer(dc.Get(), width, height);
    std::vector<bool> copied(plan.rects.size());
    std::size_t current = plan.rects.size();
    for (const PlacedPoint& p : plan.points) {
        if (p.rect != current) {
            current = p.rect;
            const CopyRect& r = plan.rects[current];
            copied[current] = buffer.Copy(dc.Get(), r.left, r.top, r.width, r.height);
        }
        if (copied[current]) colours[p.index] = buffer.At(p.x, p.y);
    }
    failedWhole_ = std::ranges::find(copied, true) == copied.end();
}

}  // namespace sentrel
