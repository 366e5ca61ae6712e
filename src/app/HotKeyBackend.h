#pragma once

#include <cstdint>

namespace sentrel {

// Modifier flags of a hot key.
inline constexpr std::int32_t kModAlt = 1;
inline constexpr std::int32_t kModControl = 2;
inline constexpr std::int32_t kModShift = 4;

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
