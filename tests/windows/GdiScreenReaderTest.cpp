#include "platform/win32/GdiScreenReader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/win32/GdiHandles.h"
#include "support/RandomColours.h"

namespace sentrel {
namespace {

using testing::RandomColours;

const SessionLock unlocked;

// A top-most window showing known colours (0x00BBGGRR, row by row).
class PaintedWindow {
public:
    PaintedWindow(int x, int y, int width, int height, std::vector<std::int32_t> colours)
        : width_(width), height_(height), colours_(std::move(colours)) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"SentrelPaintedWindow";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"SentrelPaintedWindow", L"", WS_POPUP, x, y, width,
                                  height, nullptr, nullptr, windowClass.hInstance, this);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        UpdateWindow(window_);
        Pump(500);
    }
    ~PaintedWindow() { DestroyWindow(window_); }

    static void Pump(DWORD milliseconds) {
        const DWORD end = GetTickCount() + milliseconds;
        MSG message;
        while (GetTickCount() < end) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(10);
        }
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<PaintedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_PAINT && self != nullptr) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            std::vector<std::uint32_t> rgb(self->colours_.size());
            for (std::size_t i = 0; i < rgb.size(); ++i) {
                const auto bgr = static_cast<std::uint32_t>(self->colours_[i]);
                rgb[i] = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
            }
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = self->width_;
            info.bmiHeader.biHeight = -self->height_;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(self->width_), static_cast<DWORD>(self->height_), 0, 0, 0,
                              static_cast<UINT>(self->height_), rgb.data(), &info, DIB_RGB_COLORS);
            EndPaint(window, &paint);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    int width_, height_;
    std::vector<std::int32_t> colours_;
    HWND window_ = nullptr;
};

TEST(GdiScreenReader, ReadsTheExactColoursOfAPaintedWindow) {
    constexpr int kLeft = 300, kTop = 200, kWidth = 400, kHeight = 300;
    const std::vector<std::int32_t> colours = RandomColours(kWidth * kHeight, 1);
    const PaintedWindow window(kLeft, kTop, kWidth, kHeight, colours);
    const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN), screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    GdiScreenReader reader(unlocked);
    // A small box (one copy) and a spread of points (one copy per row), each
    // among points off the screen.
    for (const int spread : {20, 400}) {
        std::vector<ScreenPoint> points = {{-1, kTop}, {kLeft, -1}, {screenWidth, kTop}, {kLeft, screenHeight}};
        std::vector<std::int32_t> expected(points.size(), -1);
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

TEST(GdiScreenReader, PointsOffTheScreenAreMinusOne) {
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const PaintedWindow window(width - 20, height - 20, 20, 20, std::vector<std::int32_t>(400, 0x00FF00));
    GdiScreenReader reader(unlocked);
    const std::vector<ScreenPoint> points = {{-1, 5}, {width - 1, height - 1}, {width, 5}, {5, height}, {5, -1}};
    std::vector<std::int32_t> read(points.size());
    reader.Read(points, read);
    EXPECT_EQ(read, (std::vector<std::int32_t>{-1, 0x00FF00, -1, -1, -1}));
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
