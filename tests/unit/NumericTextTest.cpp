#include "app/NumericText.h"

#include <gtest/gtest.h>

#include "app/Module1.h"

namespace sentrel {
namespace {

TEST(NumericText, AcceptsOnlySignedDecimalsWithExponentAndSurroundingSpaces) {
    const std::pair<const char*, double> accepted[] = {
        {"30", 30},    {" 30 ", 30},     {"\t-7", -7}, {"+2.5", 2.5}, {".5", 0.5},  {"5.", 5},
        {"1e3", 1000}, {"2.5E-1", 0.25}, {"-0", 0},    {"1E+2", 100}, {"0030", 30}, {"7\t", 7},
    };
    for (const auto& [text, value] : accepted) EXPECT_EQ(ParseNumericText(text), value) << text;
    // A number beyond double range is not one that converts.
    for (const char* text : {"",   " ", "abc", "3O",  "1,000", "0x10",  "&H10", "inf",  "nan",   "1e",
                             "e5", ".", "+",   "- 5", "5 5",   "1.2.3", "１２", "30\n", "1e5.5", "1e400000000000"}) {
        EXPECT_FALSE(ParseNumericText(text)) << '"' << text << '"';
    }
}

TEST(NumericText, RoundsHalfToEvenWithinRange) {
    const std::pair<double, std::optional<std::int16_t>> cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {32767.4, 32767}, {-32768.5, -32768}, {32767.5, {}}, {-32768.6, {}}};
    for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundToInt16(value), rounded) << value;
}

// Modifier names are matched exactly; the key code is a number rounded half
// to even, and 0 when it is not a number.
TEST(Module1, ParsesModifierNameAndKeyCode) {
    const std::tuple<const char*, std::int32_t, std::int32_t> cases[] = {
        {"Alt+Ctrl,87", 0, 87},
        {"ctrl,87", 0, 87},
        {"87", 0, 87},
        {"86.5", 0, 86},
        {",87", 0, 87},
        {"Ctrl,", kModControl, 0},
        {"Ctrl,W", kModControl, 0},
        {"Ctrl,87,1", kModControl, 0},
        {"Ctrl,3000000000", kModControl, 0},
    };
    for (const auto& [text, modifiers, keyCode] : cases) {
        const HotKeySpec parsed = ParseHotKeySpec(text);
        EXPECT_EQ(std::tie(parsed.modifiers, parsed.keyCode), std::tie(modifiers, keyCode)) << text;
    }
}

}  // namespace
}  // namespace sentrel
