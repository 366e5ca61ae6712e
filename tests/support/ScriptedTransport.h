#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/Transport.h"

namespace sentrel::testing {

// Answers each POST with the next scripted outcome and remembers what it was
// asked. An outcome may be a reply, no reply, or an exception.
class ScriptedTransport : public Transport {
public:
    void Reply(long status, std::string body) { script_.push_back(Outcome{HttpReply{status, std::move(body)}, false}); }
    void NoReply() { script_.push_back(Outcome{std::nullopt, false}); }
    void Throw() { script_.push_back(Outcome{std::nullopt, true}); }
    // What every request gets once the script has run out.
    void ReplyAlways(long status, std::string body) { fallback_ = Outcome{HttpReply{status, std::move(body)}, false}; }

    std::optional<HttpReply> Post(const std::string& url, const std::string&) override {
        sent.push_back(url);
        if (onPost) onPost(url);
        if (script_.empty() && !fallback_) throw std::logic_error("unscripted request to " + url);
        const Outcome next = script_.empty() ? *fallback_ : script_.front();
        if (!script_.empty()) script_.pop_front();
        if (next.raise) throw std::runtime_error("transport fault");
        return next.reply;
    }

    std::vector<std::string> sent;  // the URLs
    // Called as each request goes out, to look at the world at that moment.
    std::function<void(const std::string& url)> onPost;

private:
    struct Outcome {
        std::optional<HttpReply> reply;
        bool raise;
    };
    std::deque<Outcome> script_;
    std::optional<Outcome> fallback_;
};

}  // namespace sentrel::testing
