#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "service/Transport.h"

namespace sentrel {

// Limits that keep one request from holding the window or its memory hostage.
struct TransportLimits {
    std::chrono::milliseconds connectTimeout{5000};
    std::chrono::milliseconds totalTimeout{15000};
    std::size_t maxReplyBytes = 1024 * 1024;
    long maxRedirects = 5;
};

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
