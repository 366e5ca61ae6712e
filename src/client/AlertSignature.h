#pragma once

#include <string>

namespace sentrel {

// Shared with the notification service and never sent.
inline constexpr const char* kSigningSalt = "38kfm";

// The alert request's "code": SHA1 of the salt followed by r in decimal.
std::string AlertSignature(int r);

}  // namespace sentrel
