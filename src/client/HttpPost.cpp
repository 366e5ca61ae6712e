#include "client/HttpPost.h"

namespace sentrel {

std::optional<HttpReply> PostQuietly(Transport& transport, const std::string& url, const std::string& body) noexcept {
    try {
        return transport.Post(url, body);
    } catch (...) {
        return std::nullopt;
    }
}

std::string HttpPost(Transport& transport, const std::string& url, const std::string& body) noexcept {
    std::optional<HttpReply> reply = PostQuietly(transport, url, body);
    if (!reply) return {};
    return std::move(reply->body);
}

}  // namespace sentrel
