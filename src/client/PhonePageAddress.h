#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sentrel {

// The name of the environment variable through which a launcher names the
// code page's address on the LAN, when the service it started listens there.
inline constexpr const char* kPageUrlVariable = "SENTREL_PAGE_URL";

// The address the sign-in picture's QR code leads a phone to: the
// variable's value when set, else the service's code page ("/"); none when
// that address is on a loopback or unspecified host (127.0.0.0/8, 0.0.0.0/8,
// ::1, ::, localhost), which on a phone is the phone itself.
std::optional<std::string> PhonePageUrl(std::string_view serviceUrl, const char* pageVariable);

// PhonePageUrl with this process's environment.
std::optional<std::string> PhonePageUrlFor(std::string_view serviceUrl);

}  // namespace sentrel
