#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "relay/outbox/DeskTypes.h"

namespace sentrel::service {

// A request target in origin form ("/path?query") as the desk sees it: the
// path percent-decoded, the query split at '&' into name=value pairs, each
// percent-decoded with '+' read as a space. A percent sign not followed by
// two hex digits stands for itself. std::nullopt for any other form (an
// absolute URL, "*"), which the service does not serve.
std::optional<DeskRequest> DecodeTarget(std::string_view target);

// A request target as the request log may show it: every parameter that
// DecodeTarget would read as openid, however its name is encoded, shown as
// openid= and the value masked as MaskedOpenId does; the rest as it came.
std::string MaskedTarget(std::string_view target);

}  // namespace sentrel::service
