#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/Win32HotKeys.h"

namespace sentrel {
namespace {

// Ctrl+W registered as the window does it, pressed as a user would (through
// the input queue), arrives as WM_HOTKEY with the window's identifier.
TEST(Win32HotKeys, CtrlWArrivesAsTheWindowsHotKey) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Win32HotKeys hotKeys(window);
    ASSERT_TRUE(hotKeys.Register(1, MOD_CONTROL, 'W'));

    INPUT keys[4] = {};
    const WORD codes[4] = {VK_CONTROL, 'W', 'W', VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);

    bool arrived = false;
    const DWORD end = GetTickCount() + 3000;
    MSG message;
    while (!arrived && GetTickCount() < end) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_HOTKEY && message.wParam == 1) arrived = true;
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    EXPECT_TRUE(arrived);
    UnregisterHotKey(window, 1);
    DestroyWindow(window);
}

}  // namespace
}  // namespace sentrel
