#pragma once

#include <functional>

#include "app/HotKeyBackend.h"

namespace sentrel::testing {

// Takes or refuses every key combination, telling the test about each.
class FakeHotKeys : public HotKeyBackend {
public:
    bool Register(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode) override {
        if (onRegister) onRegister(id, modifiers, keyCode);
        return accept;
    }

    bool accept = true;
    std::function<void(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode)> onRegister;
};

}  // namespace sentrel::testing
