#pragma once

#include <string>
#include <string_view>

namespace sentrel::testing {

// Bytes as hexadecimal digits and back: how arbitrary URLs and bodies cross
// a command line and a pipe between the test and a helper program.
inline std::string ToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

inline std::string FromHex(std::string_view hex) {
    const auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(value(hex[i]) * 16 + value(hex[i + 1]));
    }
    return bytes;
}

}  // namespace sentrel::testing
