#pragma once

#include <cstdint>
#include <string_view>

#include "app/HotKeyBackend.h"

namespace sentrel {

// The identifier the window registers its show/hide hot key under.
inline constexpr std::int32_t kShowHideHotKeyId = 1;

// Flags for a modifier name, compared exactly: "Alt", "Ctrl", "Ctrl+Alt",
// "Shift", "Shift+Alt", "Ctrl+Shift", "Ctrl+Alt+Shift"; any other name
// (another order or case included) gives 0.
std::int32_t ModifierFlags(std::string_view name);

struct HotKeySpec {
    std::int32_t modifiers = 0;
    std::int32_t keyCode = 0;
};

// "Ctrl,87": a modifier name, a comma and the key code in decimal. Without
// a comma the whole text is the key code and there is no modifier. A key
// code that is not a number (or beyond 32 bits) is 0, which no key has.
HotKeySpec ParseHotKeySpec(std::string_view spec);

// The hot-key state of the window.
class Module1 {
public:
    explicit Module1(HotKeyBackend& backend);

    // Registers the key described by spec under id when action is "Add".
    // A registration the system refuses is silent: the key just never comes.
    void SetHotKey(std::int32_t id, std::string_view spec, std::string_view action);

    std::int32_t HotKeyId() const { return hotKeyId_; }
    std::int32_t HotKeyModifiers() const { return hotKeyModifiers_; }
    std::int32_t HotKeyCode() const { return hotKeyCode_; }
    bool Hooked() const { return hooked_; }

private:
    HotKeyBackend& backend_;
    std::int32_t hotKeyId_ = 0;
    std::int32_t hotKeyModifiers_ = 0;
    std::int32_t hotKeyCode_ = 0;
    bool hooked_ = false;
};

}  // namespace sentrel
