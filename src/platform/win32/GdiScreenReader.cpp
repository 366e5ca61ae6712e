#include "platform/win32/GdiScreenReader.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace sentrel {
namespace {

// The screen's device context, released on every path.
struct ScreenDc {
    ScreenDc() : dc(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC dc;
};

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

// A top-down 32-bit DIB section selected into a memory DC for as long as it
// lives: screen rows are copied into it and read from its bits.
class RowBuffer {
public:
    RowBuffer(HDC screen, int width, int rows) : width_(width), rows_(rows) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -rows;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_.reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        memory_.reset(CreateCompatibleDC(screen));
        if (bitmap_ && memory_ && bits_ != nullptr) previous_ = SelectObject(memory_.get(), bitmap_.get());
    }
    ~RowBuffer() {
        if (previous_ != nullptr) SelectObject(memory_.get(), previous_);
    }
    RowBuffer(const RowBuffer&) = delete;
    RowBuffer& operator=(const RowBuffer&) = delete;

    bool Usable() const { return previous_ != nullptr; }

    // Fills the buffer with the screen's rows from (left, top) down.
    bool Copy(HDC screen, int left, int top) {
        // GDI may hold the copy back in its batch; the bits are only ours
        // to read once the batch has run.
        return BitBlt(memory_.get(), 0, 0, width_, rows_, screen, left, top, SRCCOPY) != 0 && GdiFlush() != 0;
    }

    // As 0x00BBGGRR; the DIB holds 0x00RRGGBB.
    std::int32_t At(int x, int row) const {
        const std::uint32_t rgb = static_cast<const std::uint32_t*>(bits_)[static_cast<std::size_t>(row) * width_ + x];
        return static_cast<std::int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }

private:
    std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter> bitmap_;
    std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter> memory_;
    void* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int width_, rows_;
};

RECT VirtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool Inside(const RECT& r, const ScreenPoint& p) {
    return p.x >= r.left && p.y >= r.top && p.x < r.right && p.y < r.bottom;
}

}  // namespace

void GdiScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    const RECT screen = VirtualScreen();
    std::vector<std::size_t> readable;
    int left = screen.right, right = screen.left - 1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!Inside(screen, points[i])) continue;
        readable.push_back(i);
        left = std::min(left, points[i].x);
        right = std::max(right, points[i].x);
    }
    if (readable.empty()) return;
    std::sort(readable.begin(), readable.end(),
              [&](std::size_t a, std::size_t b) { return points[a].y < points[b].y; });
    const int top = points[readable.front()].y, bottom = points[readable.back()].y;
    const int width = right - left + 1, height = bottom - top + 1;
    // The whole box in one copy while it is small, else one row per copy.
    const int copyRows = static_cast<long long>(width) * height <= kMaxBoxPixels ? height : 1;

    ScreenDc dc;
    RowBuffer buffer(dc.dc, width, copyRows);
    if (!buffer.Usable()) return;
    for (auto next = readable.begin(); next != readable.end();) {
        const int first = points[*next].y;
        const auto end =
            std::find_if(next, readable.end(), [&](std::size_t i) { return points[i].y >= first + copyRows; });
        if (buffer.Copy(dc.dc, left, first)) {
            for (; next != end; ++next) colours[*next] = buffer.At(points[*next].x - left, points[*next].y - first);
        }
        next = end;
    }
}

}  // namespace sentrel
