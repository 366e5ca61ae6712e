#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "DeskTypes.h"
#include "ServiceStore.h"
#include "SignInThrottle.h"
#include "Subscribers.h"
#include "VerificationCodes.h"

namespace sentrel::service {

// The notification service's scripts: every request in, one reply out.
// Safe to call from several server threads at once.
class AlertDesk {
public:
    using Clock = VerificationCodes::Clock;

    // The code page lists this many of the latest alerts.
    static constexpr int kAlertsOnPage = 20;

    AlertDesk(VerificationCodes codes, ServiceStore& store, std::uint64_t seed);

    DeskReply Handle(const DeskRequest& request, Clock::time_point now);
    std::string IssueCode(Clock::time_point now);

private:
    DeskReply VersionNotice(const DeskRequest& request);
    DeskReply SignIn(const DeskRequest& request, Clock::time_point now);
    DeskReply Alert(const DeskRequest& request);
    DeskReply Presence(const DeskRequest& request, bool online);
    DeskReply CodePage(Clock::time_point now);
    DeskReply Status();

    std::mutex mutex_;
    VerificationCodes codes_;
    ServiceStore& store_;
    Subscribers subscribers_;
    SignInThrottle throttle_;
};

}  // namespace sentrel::service
