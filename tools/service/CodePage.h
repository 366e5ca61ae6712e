#pragma once

#include <string>

namespace sentrel::service {

// The page a user opens (or reaches through the sign-in picture's QR code)
// to get a verification code.
std::string CodePageHtml(const std::string& code);

}  // namespace sentrel::service
