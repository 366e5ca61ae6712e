#pragma once

#include <string>
#include <vector>

#include "client/Transport.h"
#include "client/TransportLimits.h"

namespace sentrel {

// Synchronous POST on WinHTTP with the same limits as on Linux: bounded
// connect and total time, a capped reply, at most a few redirects (followed
// here, so that the POST is kept), no cookies, and the URL put on the wire
// through WireUrl.
class WinHttpTransport : public Transport {
public:
    explicit WinHttpTransport(TransportLimits limits = {});

    std::optional<HttpReply> Post(const std::string& url, const std::string& body) override;
    // As Post, with these header lines ("Name: value") instead of the form's
    // content type.
    std::optional<HttpReply> PostWithHeaders(const std::string& url, const std::string& body,
                                             const std::vector<std::string>& headerLines);

private:
    TransportLimits limits_;
};

}  // namespace sentrel
