#include "platform/win32/GdiScreenReader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/GdiHandles.h"
#include "support/RandomColours.h"

namespace sentrel {
namespace {

using testing::RandomColours;

const SessionLock unlocked;

// A top-most window showing known colours (0x00BBGGRR, row by row), drawn
// once it is shown; nothing covers it, so nothing asks for it again.
class PaintedWindow {
public:
    PaintedWindow(int x, int y, int width, int height, const std::vector<std::int32_t>& colours)
        : window_(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, x, y, width,
                                  height, nullptr, nullptr, nullptr, nullptr)) {
        Pump();
        std::vector<std::uint32_t> rgb(colours.size());
        std::ranges::transform(colours, rgb.begin(), [](std::int32_t bgr) {
            return static_cast<std::uint32_t>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
        });
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = GetDC(window_);
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                          static_cast<UINT>(height), rgb.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(window_, dc);
        Pump();
    }
    ~PaintedWindow() { DestroyWindow(window_); }

private:
    // Until Wine has shown what was drawn.
    static void Pump() {
        const DWORD end = GetTickCount() + 500;
        MSG message;
        while (GetTickCount() < end) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(10);
        }
    }

    HWND window_;
};

// Off the screen by one on each side is -1; its last pixel is read.
TEST(GdiScreenReader, ReadsTheExactColoursOfAPaintedWindow) {
    constexpr int kLeft = 300, kTop = 200, kWidth = 400, kHeight = 300;
    const std::vector<std::int32_t> colours = RandomColours(kWidth * kHeight, 1);
    const PaintedWindow window(kLeft, kTop, kWidth, kHeight, colours);
    const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN), screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const PaintedWindow corner(screenWidth - 20, screenHeight - 20, 20, 20, std::vector<std::int32_t>(400, 0x00FF00));
    GdiScreenReader reader(unlocked);
    // A small box (one copy) and a spread of points (one copy per row), each
    // among points at the screen's edges.
    for (const int spread : {20, 400}) {
        std::vector<ScreenPoint> points = {
            {-1, kTop}, {kLeft, -1}, {screenWidth, kTop}, {kLeft, screenHeight}, {screenWidth - 1, screenHeight - 1}};
        std::vector<std::int32_t> expected = {-1, -1, -1, -1, 0x00FF00};
        for (int i = 0; i < 81; ++i) {
            const int x = (i * 37) % std::min(spread, kWidth), y = (i * 53) % std::min(spread, kHeight);
            points.push_back({kLeft + x, kTop + y});
            expected.push_back(colours[static_cast<std::size_t>(y * kWidth + x)]);
        }
        std::vector<std::int32_t> read(points.size());
        reader.Read(points, read);
        EXPECT_EQ(read, expected) << "spread " << spread;
    }
}

// A read that copies none of its points on the screen (here for want of GDI
// handles, on the secure desktop for want of access) did not see it; points
// all off the screen ask nothing of it.
TEST(GdiScreenReader, AReadThatCopiesNothingOnTheScreenIsNotSeen) {
    GdiScreenReader reader(unlocked);
    const std::vector<ScreenPoint> on = {{-1, 5}, {5, 5}};
    std::vector<std::int32_t> read(2);
    std::vector<GdiObject<HBRUSH>> taken;
    while (HBRUSH brush = CreateSolidBrush(0)) taken.emplace_back(brush);
    reader.Read(on, read);
    EXPECT_EQ(read, (std::vector<std::int32_t>{-1, -1}));
    EXPECT_FALSE(reader.Seen());
    reader.Read(std::span(on).first(1), std::span(read).first(1));
    EXPECT_TRUE(reader.Seen());
    reader.Read(on, read);
    taken.clear();
    reader.Read(on, read);
    EXPECT_TRUE(reader.Seen());
}

}  // namespace
}  // namespace sentrel
