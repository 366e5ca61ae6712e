#pragma once

#include <string>

namespace sentrel::testing {

// SHA-1 from an independent implementation (OpenSSL on Linux, the system's
// CNG on Windows), in upper-case hexadecimal.
std::string ReferenceSha1(const std::string& bytes);

}  // namespace sentrel::testing
