#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "relay/outbox/ServiceStore.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {

// The OpenIds handed out, and which of them are online, kept in the store so
// that sign-ins outlive a restart.
class Subscribers {
public:
    explicit Subscribers(ServiceStore& store) : store_(store) {}

    // A fresh OpenId, online: "o" and 27 characters of [A-Za-z0-9_-], like
    // the identifiers a messaging account hands out, drawn from the system's
    // random source. std::nullopt when kMaxKnown are known and each was seen
    // within kKeptSeen.
    std::optional<std::string> Register();
    bool Knows(const std::string& openId) { return store_.KnowsSubscriber(openId); }
    // False when the OpenId is unknown.
    bool SetOnline(const std::string& openId, bool online) {
        return store_.SetOnline(openId, online, EpochMilliseconds());
    }
    std::int64_t Count() { return store_.SubscriberCount(); }
    std::int64_t OnlineCount() { return store_.OnlineCount(); }

    // Bounds what unlimited sign-ins with a standing code can take.
    static constexpr std::size_t kMaxKnown = 10000;
    // An OpenId seen this recently (signed in, kept alive, alerted) never
    // makes way for a new one: otherwise anyone able to sign in often enough
    // could sign everyone else out.
    static constexpr std::chrono::hours kKeptSeen{24};

private:
    ServiceStore& store_;
};

}  // namespace sentrel::service
