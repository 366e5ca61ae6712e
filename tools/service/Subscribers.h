#pragma once

#include <random>
#include <string>

#include "ServiceStore.h"

namespace sentrel::service {

// The OpenIds handed out, and which of them are online, kept in the store so
// that sign-ins outlive a restart.
class Subscribers {
public:
    Subscribers(ServiceStore& store, std::uint64_t seed);

    // A fresh OpenId, online: "o" and 27 characters of [A-Za-z0-9_-], like
    // the identifiers a messaging account hands out.
    std::string Register();
    bool Knows(const std::string& openId) { return store_.KnowsSubscriber(openId); }
    // False when the OpenId is unknown.
    bool SetOnline(const std::string& openId, bool online) { return store_.SetOnline(openId, online); }
    std::int64_t Count() { return store_.SubscriberCount(); }
    std::int64_t OnlineCount() { return store_.OnlineCount(); }

    // Bounds what unlimited sign-ins with a standing code can take; offline
    // OpenIds make way first.
    static constexpr std::size_t kMaxKnown = 10000;

private:
    ServiceStore& store_;
    std::mt19937_64 random_;
};

}  // namespace sentrel::service
