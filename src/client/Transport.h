#pragma once

#include <optional>
#include <string>

namespace sentrel {

// What came back from the server: any status, with its body.
struct HttpReply {
    long status = 0;
    std::string body;

    bool IsSuccess() const { return status >= 200 && status <= 299; }
};

// Sends one POST and waits for its reply. A failure to get a reply (no
// connection, time-out, reply too large, too many redirects, bad URL) is
// std::nullopt. Implementations bound the time and memory one call may take,
// and put the URL on the wire through WireUrl.
class Transport {
public:
    virtual ~Transport() = default;
    virtual std::optional<HttpReply> Post(const std::string& url, const std::string& body) = 0;
};

}  // namespace sentrel
