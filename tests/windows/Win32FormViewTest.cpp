#include "platform/win32/Win32FormView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/ViewConventions.h"
#include "platform/qrencode/QrModules.h"
#include "platform/win32/DpiAwareness.h"
#include "platform/win32/GdiScreenReader.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

// Form1 loaded on the real window, which is made with the gate.
struct LoadedWindow {
    LoadedWindow() {
        gate.Run([this] { rig.form.Form_Load(); });
    }
    LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(rig.view.Window(), message, w, l); }
    std::size_t SignOffs() const { return rig.Sent("checkoff").size(); }
    HWND PanelWith(const wchar_t* button) const {
        HWND panel = nullptr;
        do panel = FindWindowExW(rig.view.Window(), panel, L"SentrelPanel", nullptr);
        while (panel != nullptr && FindWindowExW(panel, nullptr, L"Button", button) == nullptr);
        return panel;
    }

    HandlerGate gate;
    testing::FormRig<Win32FormView> rig{GetModuleHandleW(nullptr), gate, "http://127.0.0.1:1/", "http://svc/"};
};

LoadedWindow* ending = nullptr;

// The session ends inside a message box's loop: signed off at once, the box
// gone with the window (closed here should it not be).
void CALLBACK EndSessionInBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    ending->Send(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ending->SignOffs(), 1);
    const HWND box = FindWindowW(L"#32770", nullptr);
    EXPECT_EQ(box, nullptr);
    if (box != nullptr) EndDialog(box, IDOK);
}

// Log-off and shut-down close the window as any close does, signing off
// once, even while a handler waits on a message box; a log-off that is
// called off keeps it.
TEST(Win32FormView, LogOffAndShutDownSignOff) {
    LoadedWindow window;
    EXPECT_NE(window.Send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
    window.Send(WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(window.SignOffs(), 0);
    MSG quit;  // left by a window destroyed earlier, it would end the box's loop at once
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    ending = &window;
    SetTimer(nullptr, 0, 0, EndSessionInBox);
    window.gate.Run([&window] { window.rig.form.Command1_Click(); });  // no area: a message box
    EXPECT_EQ(window.SignOffs(), 1);
}

// Every release of a button pressed on the bare window reaches Form1; a
// press on a label, or of a button Form1 does not know, starts nothing.
TEST(Win32FormView, EveryReleaseOfAButtonPressedOnTheBareWindowCounts) {
    LoadedWindow window;
    window.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    window.Send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(120, 120));
    window.Send(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(10, 5));
    window.Send(WM_MBUTTONUP, 0, MAKELPARAM(300, 300));
    window.Send(WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(300, 300));
    window.Send(WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(300, 300));
    window.Send(WM_LBUTTONUP, MK_RBUTTON, MAKELPARAM(200, 200));
    EXPECT_EQ(window.rig.form.State().RegionCount, 1);
    window.Send(WM_RBUTTONUP, 0, MAKELPARAM(210, 210));  // adds a second area, then clears them all
    EXPECT_EQ(window.rig.form.State().RegionCount, 0);
}

// Each kind of change reaches its own control; a typed text of any length
// reaches the form whole.
TEST(Win32FormView, ShowsEachChangeOnItsControlAndReadsTypedTextsWhole) {
    LoadedWindow window;
    EXPECT_FALSE(IsWindowEnabled(FindWindowExW(window.PanelWith(L"停止监控"), nullptr, L"Button", L"停止监控")));
    SetWindowTextW(FindWindowExW(window.PanelWith(L"登录"), nullptr, L"Edit", nullptr),
                   std::wstring(700, L'7').c_str());
    EXPECT_EQ(window.rig.form.Controls().Get("Text2").text, std::string(700, '7'));
}

// The layout scales with the window's density, the mouse comes back in the
// layout's units: at the screen's density where run-at-dpi.sh sets one, or
// at one the window is told it has moved to.
TEST(Win32FormView, LayoutScalesWithTheDensity) {
    BecomeDpiAware();
    LoadedWindow window;
    const char* density = std::getenv("SENTREL_TEST_DPI");
    const int dpi = density != nullptr ? std::atoi(density) : 144;
    RECT suggested{};
    if (density == nullptr) window.Send(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(window.rig.view.Dpi(), dpi);
    const HWND panel = window.PanelWith(L"登录");
    RECT button, frame, client;
    GetWindowRect(FindWindowExW(panel, nullptr, L"Button", L"登录"), &button);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(std::make_pair(button.left, button.top), std::make_pair(312L * dpi / 96, 16L * dpi / 96));
    GetWindowRect(panel, &frame);
    GetClientRect(window.rig.view.Window(), &client);
    EXPECT_NEAR(frame.left + frame.right, client.right, 1) << "the panel is centred";
    window.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
    window.Send(WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
    EXPECT_DOUBLE_EQ(window.rig.form.State().RegionTable.Cell(1, RegionTable::kReleaseY), 300.0 * 96 / dpi);
}

// The sign-in picture shows the QR code of the address for a phone the view
// was given at run time, module for module, and not the one a click opens.
TEST(Win32FormView, SignInPictureShowsTheGivenAddressAsAQrCode) {
    const LoadedWindow window;
    HWND picture = nullptr;
    do picture = FindWindowExW(window.PanelWith(L"登录"), picture, L"Static", nullptr);
    while (picture != nullptr && (GetWindowLongW(picture, GWL_STYLE) & SS_BITMAP) == 0);
    ASSERT_NE(picture, nullptr);
    const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    const WindowDc screen(nullptr);
    ASSERT_NE(GetDIBits(screen.Get(), bitmap, 0, 0, nullptr, &format, DIB_RGB_COLORS), 0);
    const int width = format.bmiHeader.biWidth, height = std::abs(format.bmiHeader.biHeight);
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    ASSERT_EQ(GetDIBits(screen.Get(), bitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS), height);

    const QrModules code = EncodeQr("http://svc/");
    const int dpi = window.rig.view.Dpi();
    const int side = LayoutPixels(211, dpi), left = (width - side) / 2, top = LayoutPixels(8, dpi);
    for (int y = 0; y < code.side; ++y) {
        for (int x = 0; x < code.side; ++x) {
            const int px = left + (2 * x + 1) * side / code.side / 2, py = top + (2 * y + 1) * side / code.side / 2;
            const bool dark = (pixels[static_cast<std::size_t>(py * width + px)] & 0xFFFFFF) == 0;
            ASSERT_EQ(dark, code.Dark(x, y)) << "module " << x << "," << y;
        }
    }
}

// Reads are not seen while the session is locked or no screen shows it, as
// Windows tells the window; each change is told once, however often repeated.
TEST(Win32FormView, ReadsAreNotSeenWhileTheSessionIsOutOfSight) {
    LoadedWindow window;
    GdiScreenReader reader(window.rig.view.Session());
    const auto seenAfter = [&](WPARAM event) {
        window.Send(WM_WTSSESSION_CHANGE, event);
        std::int32_t colour;
        reader.Read(std::vector<ScreenPoint>{{5, 5}}, {&colour, 1});
        return reader.Seen();
    };
    ::testing::internal::CaptureStderr();
    for (const WPARAM out : {WTS_SESSION_LOCK, WTS_SESSION_LOCK, WTS_CONSOLE_DISCONNECT, WTS_SESSION_UNLOCK}) {
        EXPECT_FALSE(seenAfter(out));
    }
    EXPECT_TRUE(seenAfter(WTS_CONSOLE_CONNECT));
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::ranges::count(told, '\n'), 4) << told;
}

}  // namespace
}  // namespace sentrel
