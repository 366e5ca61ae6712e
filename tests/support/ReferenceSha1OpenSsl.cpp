#include <openssl/sha.h>

#include "support/ReferenceSha1.h"

namespace sentrel::testing {

std::string ReferenceSha1(const std::string& bytes) {
    unsigned char digest[20];
    ::SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    return DigestHex(digest);
}

}  // namespace sentrel::testing
