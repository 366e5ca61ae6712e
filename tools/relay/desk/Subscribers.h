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

    // A fresh OpenId, online, signed in from the client network: "o" and 27
    // characters of [A-Za-z0-9_-], like the identifiers a messaging account
    // hands out, drawn from the system's random source. std::nullopt when
    // there is no room for it (see ServiceStore::Room).
    std::optional<std::string> Register(const std::string& network);
    bool Knows(const std::string& openId) { return store_.KnowsSubscriber(openId); }
    // False when the OpenId is unknown.
    bool SetOnline(const std::string& openId, bool online) {
        return store_.SetOnline(openId, online, EpochMilliseconds());
    }
    std::int64_t Count() { return store_.SubscriberCount(); }
    std::int64_t OnlineCount() { return store_.OnlineCount(); }

    // One network holds at most kMaxPerNetwork, its least recently seen
    // making way for its newest: however often it signs in, it pushes out
    // only its own. The table is sized so that a thousand networks doing so
    // fill half of it.
    static constexpr std::size_t kMaxPerNetwork = 10;
    static constexpr std::size_t kMaxKnown = 20000;
    // An OpenId seen this recently (signed in, kept alive, alerted) never
    // makes way for another network's: otherwise anyone able to sign in
    // often enough could sign everyone else out.
    static constexpr std::chrono::hours kKeptSeen{24};

private:
    ServiceStore& store_;
};

}  // namespace sentrel::service
