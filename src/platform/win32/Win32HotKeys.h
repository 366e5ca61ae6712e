#pragma once

#include <windows.h>

#include "app/HotKeyBackend.h"

namespace sentrel {

// The flags reach RegisterHotKey as they are.
static_assert(kModAlt == MOD_ALT && kModControl == MOD_CONTROL && kModShift == MOD_SHIFT);

// RegisterHotKey on the main window; its WM_HOTKEY messages reach Form1
// through the window procedure.
class Win32HotKeys : public HotKeyBackend {
public:
    explicit Win32HotKeys(HWND window) : window_(window) {}

    bool Register(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode) override {
        return RegisterHotKey(window_, id, static_cast<UINT>(modifiers), static_cast<UINT>(keyCode)) != 0;
    }

private:
    HWND window_;
};

}  // namespace sentrel
