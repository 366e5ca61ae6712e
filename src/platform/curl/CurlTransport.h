#pragma once

#include <optional>
#include <string>

#include "service/Transport.h"
#include "service/TransportLimits.h"

namespace sentrel {

// Synchronous POST on libcurl: a fresh easy handle per call, no cookies,
// redirects followed up to the limit with the POST kept, http and https only.
class CurlTransport : public Transport {
public:
    explicit CurlTransport(TransportLimits limits = {});

    std::optional<HttpReply> Post(const std::string& url, const std::string& body) override;

private:
    TransportLimits limits_;
};

}  // namespace sentrel
