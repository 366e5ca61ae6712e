#pragma once

#include <string>
#include <string_view>

namespace sentrel {

// SHA-1 of the text's bytes as 40 upper-case hexadecimal characters.
//
// Text in this program is UTF-8, which is the byte form the digest is taken
// over; for the ASCII texts that get signed every ASCII-compatible code page
// gives the same bytes. The bit count is kept in 32 bits (the four bytes in
// front of it are zero), which matches standard SHA-1 for inputs below
// 512 MiB.
std::string SHA1(std::string_view text);

}  // namespace sentrel
