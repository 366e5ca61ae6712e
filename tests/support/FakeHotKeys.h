#pragma once

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
        return accept;
    }

    bool accept = true;
    std::vector<Registration> registrations;
};

}  // namespace sentrel::testing
