#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "client/Transport.h"

namespace sentrel::testing {

// Answers each POST with the next scripted reply, or none, and remembers what
// it was asked. A request with nothing left for it throws, as a transport
// that fails inside may.
class ScriptedTransport : public Transport {
public:
    void Reply(long status, std::string body) { script_.emplace_back(HttpReply{status, std::move(body)}); }
    void NoReply() { script_.emplace_back(std::nullopt); }
    // What every request gets once the script has run out.
    void ReplyAlways(long status, std::string body) { fallback_ = HttpReply{status, std::move(body)}; }

    std::optional<HttpReply> Post(const std::string& url, const std::string&) override {
        sent.push_back(url);
        if (onPost) onPost(url);
        if (script_.empty()) return fallback_.value();
        const std::optional<HttpReply> next = script_.front();
        script_.pop_front();
        return next;
    }

    std::vector<std::string> sent;  // the URLs
    // Called as each request goes out, to look at the world at that moment.
    std::function<void(const std::string& url)> onPost;

private:
    std::deque<std::optional<HttpReply>> script_;
    std::optional<HttpReply> fallback_;
};

}  // namespace sentrel::testing
