#pragma once

#include <string>

namespace sentrel {

// Keeps the screen-cast portal's restore token where the next start reads
// it, readable by the user alone: written beside it and renamed over it, so
// that a failure leaves the token kept before whole. Says on standard error
// when it cannot, why and where: the desktop then asks again at the next
// start.
void KeepRestoreToken(const std::string& path, const std::string& token);

}  // namespace sentrel
