#include "service/ByteWord.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>

namespace sentrel {
namespace {

std::uint32_t ToUint(const ByteWord& w) {
    return (std::uint32_t{w.B0} << 24) | (std::uint32_t{w.B1} << 16) | (std::uint32_t{w.B2} << 8) | w.B3;
}

ByteWord FromUint(std::uint32_t v) {
    return ByteWord{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                    static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

// The byte-wise and double-precision word operations must agree with plain
// unsigned 32-bit arithmetic on every value, carries and wrap-around included.
TEST(ByteWord, OperationsMatchUnsigned32BitArithmetic) {
    std::mt19937 random(7);
    const std::uint32_t edges[] = {0u, 1u, 0xFFu, 0x100u, 0xFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu};
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t a = i < 64 ? edges[i % 8] : static_cast<std::uint32_t>(random());
        const std::uint32_t b = i < 64 ? edges[i / 8] : static_cast<std::uint32_t>(random());
        const ByteWord wa = FromUint(a), wb = FromUint(b);
        ASSERT_EQ(ToUint(WordAdd(wa, wb)), a + b) << a << " + " << b;
        ASSERT_EQ(ToUint(WordAnd(wa, wb)), a & b);
        ASSERT_EQ(ToUint(WordOr(wa, wb)), a | b);
        ASSERT_EQ(ToUint(WordXor(wa, wb)), a ^ b);
        ASSERT_EQ(ToUint(WordNot(wa)), ~a);
        for (const int n : {1, 5, 30}) {
            ASSERT_EQ(ToUint(WordRotateLeft(wa, n)), std::rotl(a, n)) << a << " rotl " << n;
        }
        ASSERT_EQ(WordValue(wa), static_cast<double>(a));
    }
}

TEST(ByteWord, FromDoubleReducesModulo2To32AndDropsTheFraction) {
    EXPECT_EQ(ToUint(WordFromDouble(4294967296.0)), 0u);
    EXPECT_EQ(ToUint(WordFromDouble(4294967296.0 * 3 + 17)), 17u);
    EXPECT_EQ(ToUint(WordFromDouble(-1.0)), 0xFFFFFFFFu);
    EXPECT_EQ(ToUint(WordFromDouble(-2147483648.0)), 0x80000000u);
    EXPECT_EQ(ToUint(WordFromDouble(1234.75)), 1234u);
    EXPECT_EQ(FloorMod(-3.0, 8.0), 5.0);
}

TEST(ByteWord, HexKeepsLeadingZerosAndRoundTrips) {
    EXPECT_EQ(WordHex(ByteWord{10, 11, 12, 13}), "0A0B0C0D");
    EXPECT_EQ(WordHex(ByteWord{}), "00000000");
    EXPECT_EQ(WordHex(FromUint(0xC3D2E1F0u)), "C3D2E1F0");
    EXPECT_EQ(ToUint(WordFromHex("EFCDAB89")), 0xEFCDAB89u);
    EXPECT_EQ(ToUint(WordFromHex("efcdab89")), 0xEFCDAB89u);
    EXPECT_EQ(ToUint(WordFromHex("0000000A")), 10u);
}

}  // namespace
}  // namespace sentrel
