#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sentrel::service {

// Bytes from the operating system's cryptographic generator. OpenIds are
// bearer credentials and codes guard sign-in: neither may follow from the
// ones handed out before, as a seeded engine's outputs do. Throws
// std::runtime_error when the system cannot supply them.
void FillRandom(std::span<unsigned char> bytes);

// A number in [0, bound), every one equally likely; bound > 0.
inline std::uint32_t RandomBelow(std::uint32_t bound) {
    // Draws at or above the largest multiple of bound are drawn again, so
    // that no remainder comes up more often than another.
    const std::uint64_t fair = (std::uint64_t{1} << 32) / bound * bound;
    for (;;) {
        unsigned char bytes[4];
        FillRandom(bytes);
        const std::uint32_t draw = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                   std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
        if (draw < fair) return draw % bound;
    }
}

// `length` characters of [A-Za-z0-9_-], six random bits each: safe in a
// URL's path and query as they stand.
std::string RandomToken(std::size_t length);

}  // namespace sentrel::service
