#include "client/ByteWord.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace sentrel {
namespace {

constexpr double kTwo8 = 256.0;
constexpr double kTwo16 = 65536.0;
constexpr double kTwo24 = 16777216.0;
constexpr double kTwo32 = 4294967296.0;

template <typename Op>
ByteWord Bytewise(const ByteWord& a, const ByteWord& b, Op op) {
    return ByteWord{static_cast<std::uint8_t>(op(a.B0, b.B0)), static_cast<std::uint8_t>(op(a.B1, b.B1)),
                    static_cast<std::uint8_t>(op(a.B2, b.B2)), static_cast<std::uint8_t>(op(a.B3, b.B3))};
}

// The values that reach here are always 0..255; the check guards the byte
// store the same way a checked narrowing conversion would.
std::uint8_t CheckedByte(double value) {
    if (!(value >= 0.0 && value <= 255.0)) {
        throw std::range_error("byte out of range");
    }
    return static_cast<std::uint8_t>(value);
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::invalid_argument("not a hexadecimal digit");
}

}  // namespace

ByteWord WordAnd(const ByteWord& a, const ByteWord& b) {
    return Bytewise(a, b, [](int x, int y) { return x & y; });
}

ByteWord WordOr(const ByteWord& a, const ByteWord& b) {
    return Bytewise(a, b, [](int x, int y) { return x | y; });
}

ByteWord WordXor(const ByteWord& a, const ByteWord& b) {
    return Bytewise(a, b, [](int x, int y) { return x ^ y; });
}

ByteWord WordNot(const ByteWord& a) {
    return Bytewise(a, a, [](int x, int) { return 255 - x; });
}

ByteWord WordAdd(const ByteWord& a, const ByteWord& b) {
    const std::int32_t s3 = a.B3 + b.B3;
    const std::int32_t s2 = a.B2 + b.B2 + s3 / 256;
    const std::int32_t s1 = a.B1 + b.B1 + s2 / 256;
    const std::int32_t s0 = a.B0 + b.B0 + s1 / 256;
    return ByteWord{static_cast<std::uint8_t>(s0 % 256), static_cast<std::uint8_t>(s1 % 256),
                    static_cast<std::uint8_t>(s2 % 256), static_cast<std::uint8_t>(s3 % 256)};
}

ByteWord WordRotateLeft(const ByteWord& a, std::int32_t n) {
    const double v = WordValue(a);
    return WordOr(WordFromDouble(v * std::ldexp(1.0, n)), WordFromDouble(v / std::ldexp(1.0, 32 - n)));
}

double WordValue(const ByteWord& a) { return a.B0 * kTwo24 + a.B1 * kTwo16 + a.B2 * kTwo8 + a.B3; }

double FloorMod(double x, double m) {
    double r = x - std::floor(x / m) * m;
    if (r < 0.0) r += m;
    return r;
}

ByteWord WordFromDouble(double x) {
    return ByteWord{CheckedByte(std::floor(FloorMod(x, kTwo32) / kTwo24)),
                    CheckedByte(std::floor(FloorMod(x, kTwo24) / kTwo16)),
                    CheckedByte(std::floor(FloorMod(x, kTwo16) / kTwo8)), CheckedByte(std::floor(FloorMod(x, kTwo8)))};
}

std::string WordHex(const ByteWord& a) {
    std::string text;
    text.reserve(8);
    for (const std::uint8_t byte : {a.B0, a.B1, a.B2, a.B3}) {
        // The byte without leading zeros, a "0" in front, the last two kept.
        char digits[3];
        std::snprintf(digits, sizeof digits, "%X", byte);
        const std::string padded = std::string("0") + digits;
        text += padded.substr(padded.size() - 2);
    }
    return text;
}

ByteWord WordFromHex(std::string_view hex) {
    double value = 0.0;
    for (const char c : hex) {
        value = value * 16.0 + HexDigitValue(c);
    }
    return WordFromDouble(value);
}

}  // namespace sentrel
