#pragma once

#include <optional>

#include "client/Transport.h"
#include "relay/outbox/ForwardTarget.h"

namespace sentrel::service {

// Makes a forward's request on the system's HTTP client, with the tool's
// limits but no redirect followed: one would send the alert, and any token
// in the request, to wherever the target's server points.
std::optional<HttpReply> PostForward(const OutgoingRequest& request);

}  // namespace sentrel::service
