#include "platform/curl/CurlTransport.h"
#include "relay/outbox/ForwardPost.h"

namespace sentrel::service {

std::optional<HttpReply> PostForward(const OutgoingRequest& request) {
    CurlTransport transport(TransportLimits{.maxRedirects = 0});
    return transport.PostWithHeaders(request.url, request.body, request.headers);
}

}  // namespace sentrel::service
