#pragma once

#include <openssl/sha.h>

#include <string>

namespace sentrel::testing {

// OpenSSL's SHA-1 as an independent reference, in upper-case hexadecimal.
inline std::string ReferenceSha1(const std::string& bytes) {
    unsigned char digest[SHA_DIGEST_LENGTH];
    ::SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

}  // namespace sentrel::testing
