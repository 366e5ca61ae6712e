#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "relay/desk/ClientQuota.h"
#include "relay/desk/Subscribers.h"
#include "relay/desk/VerificationCodes.h"
#include "relay/outbox/DeskTypes.h"
#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// The notification service's scripts: every request in, one reply out.
// Safe to call from several server threads at once.
//
// Per client address it allows kMaxMisses wrong codes within ten minutes
// (six digits allow a million codes; unlimited guesses would find a live one
// within its ten minutes), and kMaxPerMinute sign-ins and codes handed out
// a minute. A request the store cannot serve gets a 503, never an answer as
// if it had been kept.
class AlertDesk {
public:
    using Clock = VerificationCodes::Clock;

    // The code page lists this many of the latest alerts.
    static constexpr int kAlertsOnPage = 20;
    static constexpr int kMaxMisses = 5;
    static constexpr int kMaxPerMinute = 10;

    AlertDesk(VerificationCodes codes, ServiceStore& store);

    DeskReply Handle(const DeskRequest& request, Clock::time_point now);
    std::string IssueCode(Clock::time_point now);

private:
    DeskReply Dispatch(const DeskRequest& request, Clock::time_point now);
    DeskReply VersionNotice(const DeskRequest& request);
    DeskReply SignIn(const DeskRequest& request, Clock::time_point now);
    DeskReply Alert(const DeskRequest& request);
    DeskReply Presence(const DeskRequest& request, bool online);
    DeskReply CodePage(const DeskRequest& request, Clock::time_point now);
    DeskReply Status();

    std::mutex mutex_;
    VerificationCodes codes_;
    ServiceStore& store_;
    Subscribers subscribers_;
    ClientQuota wrongCodes_{kMaxMisses, std::chrono::minutes(10)};
    ClientQuota signIns_{kMaxPerMinute, std::chrono::minutes(1)};
    ClientQuota codesHandedOut_{kMaxPerMinute, std::chrono::minutes(1)};
};

}  // namespace sentrel::service
