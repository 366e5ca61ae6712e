#pragma once

#include <optional>
#include <string_view>

#include "relay/outbox/DeskTypes.h"

namespace sentrel::service {

// A request target in origin form ("/path?query") as the desk sees it: the
// path percent-decoded, the query split at '&' into name=value pairs, each
// percent-decoded with '+' read as a space. A percent sign not followed by
// two hex digits stands for itself. std::nullopt for any other form (an
// absolute URL, "*"), which the service does not serve.
std::optional<DeskRequest> DecodeTarget(std::string_view target);

}  // namespace sentrel::service
