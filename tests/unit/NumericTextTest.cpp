#include "app/NumericText.h"

#include <gtest/gtest.h>

namespace sentrel {
namespace {

TEST(NumericText, AcceptsSignedDecimalsWithExponentAndSurroundingSpaces) {
    const std::pair<const char*, double> accepted[] = {
        {"30", 30},    {" 30 ", 30},     {"\t-7", -7}, {"+2.5", 2.5}, {".5", 0.5},  {"5.", 5},
        {"1e3", 1000}, {"2.5E-1", 0.25}, {"-0", 0},    {"1E+2", 100}, {"0030", 30}, {"1e400000000000", 0},
    };
    for (const auto& [text, value] : accepted) {
        const std::optional<double> parsed = ParseNumericText(text);
        if (std::string(text) == "1e400000000000") {
            EXPECT_FALSE(parsed) << "beyond double range is not a number that converts";
            continue;
        }
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, value) << text;
    }
}

TEST(NumericText, RefusesEverythingElse) {
    for (const char* text : {"", " ", "abc", "3O", "1,000", "0x10", "&H10", "inf", "nan", "1e", "e5", ".", "+", "- 5",
                             "5 5", "1.2.3", "１２", "30\n", "1e5.5"}) {
        EXPECT_FALSE(ParseNumericText(text)) << '"' << text << '"';
    }
}

TEST(NumericText, RoundsHalfToEvenWithin16Bits) {
    EXPECT_EQ(RoundToInt16(2.5), 2);
    EXPECT_EQ(RoundToInt16(3.5), 4);
    EXPECT_EQ(RoundToInt16(-2.5), -2);
    EXPECT_EQ(RoundToInt16(32767.4), 32767);
    EXPECT_EQ(RoundToInt16(-32768.5), -32768);
    EXPECT_FALSE(RoundToInt16(32767.5));
    EXPECT_FALSE(RoundToInt16(-32768.6));
    EXPECT_FALSE(RoundToInt16(1e10));
    EXPECT_EQ(RoundToInt32(86.5), 86);
    EXPECT_FALSE(RoundToInt32(3e9));
}

}  // namespace
}  // namespace sentrel
