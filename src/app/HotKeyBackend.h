#pragma once

#include <cstdint>

#include "monitor/HotKeyModifiers.h"

namespace sentrel {

// Registers one system-wide key combination; the platform delivers its
// presses to Form1::HotKeyWndProc on the UI thread.
class HotKeyBackend {
public:
    virtual ~HotKeyBackend() = default;
    // keyCode is a Windows virtual-key code (87 is W). False when the
    // combination could not be taken.
    virtual bool Register(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode) = 0;
};

}  // namespace sentrel
