#include "platform/win32/GdiScreenReader.h"

#include <algorithm>
#include <memory>

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

RECT VirtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool Inside(const RECT& r, const ScreenPoint& p) {
    return p.x >= r.left && p.y >= r.top && p.x < r.right && p.y < r.bottom;
}

// GetPixel answers 0x00BBGGRR, or CLR_INVALID (all bits set, that is -1).
std::int32_t FromColorref(COLORREF colour) { return static_cast<std::int32_t>(colour); }

}  // namespace

void GdiScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    const RECT screen = VirtualScreen();
    RECT box{screen.right, screen.bottom, screen.left - 1, screen.top - 1};
    for (const ScreenPoint& p : points) {
        if (!Inside(screen, p)) continue;
        box.left = std::min<LONG>(box.left, p.x);
        box.top = std::min<LONG>(box.top, p.y);
        box.right = std::max<LONG>(box.right, p.x);
        box.bottom = std::max<LONG>(box.bottom, p.y);
    }
    if (box.right < box.left) return;

    ScreenDc dc;
    const long long boxPixels = static_cast<long long>(box.right - box.left + 1) * (box.bottom - box.top + 1);
    if (boxPixels <= kMaxBoxPixels) {
        ReadBox(dc.dc, points, colours, box);
        return;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (Inside(screen, points[i])) colours[i] = FromColorref(GetPixel(dc.dc, points[i].x, points[i].y));
    }
}

void GdiScreenReader::ReadBox(HDC screen, std::span<const ScreenPoint> points, std::span<std::int32_t> colours,
                              const RECT& box) {
    const int width = box.right - box.left + 1, height = box.bottom - box.top + 1;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter> bitmap(
        CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter> memory(CreateCompatibleDC(screen));
    if (!bitmap || !memory || bits == nullptr) return;
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    const bool copied = BitBlt(memory.get(), 0, 0, width, height, screen, box.left, box.top, SRCCOPY) != 0;
    SelectObject(memory.get(), previous);
    if (!copied) return;

    const auto* pixels = static_cast<const std::uint32_t*>(bits);  // 0x00RRGGBB each
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ScreenPoint p = points[i];
        if (p.x < box.left || p.x > box.right || p.y < box.top || p.y > box.bottom) continue;
        const std::uint32_t rgb = pixels[static_cast<std::size_t>((p.y - box.top) * width + (p.x - box.left))];
        colours[i] = static_cast<std::int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
}

}  // namespace sentrel
