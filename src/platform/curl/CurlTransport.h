#pragma once

#include <optional>
#include <string>
#include <vector>

#include "client/Transport.h"
#include "client/TransportLimits.h"

namespace sentrel {

// Synchronous POST on libcurl: a fresh easy handle per call, no cookies,
// redirects followed up to the limit with the POST kept, http and https only.
class CurlTransport : public Transport {
public:
    explicit CurlTransport(TransportLimits limits = {});

    std::optional<HttpReply> Post(const std::string& url, const std::string& body) override;
    // As Post, with these header lines ("Name: value") instead of the form's
    // content type.
    std::optional<HttpReply> PostWithHeaders(const std::string& url, const std::string& body,
                                             const std::vector<std::string>& headerLines);

private:
    TransportLimits limits_;
};

}  // namespace sentrel
