#pragma once

#include <functional>
#include <vector>

#include "app/HotKeyBackend.h"

namespace sentrel::testing {

class FakeHotKeys : public HotKeyBackend {
public:
    struct Registration {
        std::int32_t id, modifiers, keyCode;
    };

    bool Register(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode) override {
        registrations.push_back({id, modifiers, keyCode});
        if (onRegister) onRegister();
        return accept;
    }

    bool accept = true;
    std::function<void()> onRegister;
    std::vector<Registration> registrations;
};

}  // namespace sentrel::testing
