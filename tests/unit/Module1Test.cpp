#include "app/Module1.h"

#include <gtest/gtest.h>

#include "support/FakeHotKeys.h"

namespace sentrel {
namespace {

TEST(Module1, ParsesModifierNameAndKeyCode) {
    struct Case {
        const char* spec;
        std::int32_t modifiers, keyCode;
    };
    const Case cases[] = {
        {"Ctrl,87", 2, 87},
        {"Alt,87", 1, 87},
        {"Ctrl+Alt,87", 3, 87},
        {"Shift,65", 4, 65},
        {"Shift+Alt,65", 5, 65},
        {"Ctrl+Shift,65", 6, 65},
        {"Ctrl+Alt+Shift,65", 7, 65},
        {"Alt+Ctrl,87", 0, 87},
        {"ctrl,87", 0, 87},
        {"Shift+Ctrl,87", 0, 87},
        {"87", 0, 87},
        {"86.5", 0, 86},
        {",87", 0, 87},
        {"Ctrl,", 2, 0},
        {"Ctrl,W", 2, 0},
        {"Ctrl,87,1", 2, 0},
        {"", 0, 0},
        {"Ctrl,99999999999", 2, 0},
    };
    for (const Case& c : cases) {
        const HotKeySpec parsed = ParseHotKeySpec(c.spec);
        EXPECT_EQ(parsed.modifiers, c.modifiers) << c.spec;
        EXPECT_EQ(parsed.keyCode, c.keyCode) << c.spec;
    }
}

TEST(Module1, RegistersOnAddAndStaysSilentWhenRefused) {
    testing::FakeHotKeys backend;
    backend.accept = false;
    Module1 module(backend);
    EXPECT_FALSE(module.Hooked());
    module.SetHotKey(1, "Ctrl,87", "Add");
    ASSERT_EQ(backend.registrations.size(), 1u);
    EXPECT_EQ(backend.registrations[0].id, 1);
    EXPECT_EQ(backend.registrations[0].modifiers, kModControl);
    EXPECT_EQ(backend.registrations[0].keyCode, 87);
    EXPECT_TRUE(module.Hooked());

    module.SetHotKey(2, "Alt,65", "Remove");
    EXPECT_EQ(backend.registrations.size(), 1u);
    EXPECT_EQ(module.HotKeyId(), 2);
    EXPECT_EQ(module.HotKeyModifiers(), 0);
    EXPECT_EQ(module.HotKeyCode(), 0);
}

}  // namespace
}  // namespace sentrel
