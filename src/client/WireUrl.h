#pragma once

#include <string>
#include <string_view>

namespace sentrel {

// The URL as it goes into the request line. Values are concatenated into
// URLs unescaped, so a verification code or OpenId may hold bytes that would
// break the request line or split it into headers. Those bytes (space,
// control bytes, DEL, bytes >= 0x80) and '#', which a client would treat as
// the start of a fragment and never send, are percent-encoded. Everything
// else, the delimiters "&", "=", "?" and "/" and an existing "%" included,
// stays as it is.
std::string WireUrl(std::string_view url);

}  // namespace sentrel
