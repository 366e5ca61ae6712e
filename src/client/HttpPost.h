#pragma once

#include <optional>
#include <string>

#include "client/Transport.h"

namespace sentrel {

// One POST that never throws: any exception a transport lets out counts as
// no reply, so a network fault can never take the window down.
std::optional<HttpReply> PostQuietly(Transport& transport, const std::string& url, const std::string& body) noexcept;

// The reply body whatever its status, or the empty string on any failure.
std::string HttpPost(Transport& transport, const std::string& url, const std::string& body) noexcept;

}  // namespace sentrel
