#include <openssl/sha.h>

#include "support/ReferenceSha1.h"

namespace sentrel::testing {

std::string ReferenceSha1(const std::string& bytes) {
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
