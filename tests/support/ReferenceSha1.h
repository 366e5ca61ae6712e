#pragma once

#include <string>

namespace sentrel::testing {

// SHA-1 from an independent implementation (OpenSSL on Linux, the system's
// CNG on Windows), in upper-case hexadecimal.
std::string ReferenceSha1(const std::string& bytes);

// A 20-byte digest in upper-case hexadecimal.
inline std::string DigestHex(const unsigned char (&digest)[20]) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

}  // namespace sentrel::testing
