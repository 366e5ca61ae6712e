#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sentrel {

// A 32-bit word kept as four bytes, most significant first. The digest is
// built from these byte-wise operations and from exact double-precision
// arithmetic on the word's value, so every operation yields exactly what
// unsigned 32-bit arithmetic would.
struct ByteWord {
    std::uint8_t B0 = 0;
    std::uint8_t B1 = 0;
    std::uint8_t B2 = 0;
    std::uint8_t B3 = 0;

    friend bool operator==(const ByteWord&, const ByteWord&) = default;
};

ByteWord WordAnd(const ByteWord& a, const ByteWord& b);
ByteWord WordOr(const ByteWord& a, const ByteWord& b);
ByteWord WordXor(const ByteWord& a, const ByteWord& b);
ByteWord WordNot(const ByteWord& a);
// (a + b) mod 2^32, byte by byte with carry; the carry out of B0 is dropped.
ByteWord WordAdd(const ByteWord& a, const ByteWord& b);
ByteWord WordRotateLeft(const ByteWord& a, std::int32_t n);
double WordValue(const ByteWord& a);
// x - floor(x / m) * m, lifted by m when negative, so the result lies in [0, m).
double FloorMod(double x, double m);
// x reduced modulo 2^32 with its fraction dropped.
ByteWord WordFromDouble(double x);
// Eight upper-case hexadecimal digits, B0 first, each byte keeping its leading zero.
std::string WordHex(const ByteWord& a);
ByteWord WordFromHex(std::string_view hex);

}  // namespace sentrel
