#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "client/ServiceClient.h"
#include "monitor/Clock.h"
#include "monitor/MonitoringPass.h"
#include "monitor/RandomSource.h"

namespace sentrel {

// r for one alert: u x 10000 + 11111 rounded down, computed in double
// precision so that u just under 1 still gives at most 21110.
int DrawAlertNumber(RandomSource& random);

// Sends alerts and keeps every one the service did not accept but may yet
// (no reply, a server error, 408 or 429) as owed: the event happened, so it
// is sent again, with a fresh r and signature, until accepted or the window
// closes. One the service refused outright is dropped, with a line on
// standard error, since sending it again would be refused again.
class AlertDispatcher : public AlertTrigger {
public:
    static constexpr std::chrono::seconds kRetryInterval{20};

    AlertDispatcher(ServiceClient& client, RandomSource& random, Clock& clock, std::function<std::string()> openId);

    void RaiseAlert(int n) override;
    // Sends again, in area order, each owed alert last tried at least
    // kRetryInterval ago. A request that gets no reply at all ends the
    // round and counts as a try for every alert that was due: an unreachable
    // service costs one time-out per interval, not one per owed alert.
    void RetryOwed();

    // Area numbers of the alerts still owed, in the order they will be retried.
    std::vector<int> OwedAreas() const;

private:
    struct Owed {
        int area;
        Clock::TimePoint lastAttempt;
    };

    // Sends, and says so when the service refused for good.
    ServiceClient::Delivery Send(int n);

    ServiceClient& client_;
    RandomSource& random_;
    Clock& clock_;
    std::function<std::string()> openId_;
    std::vector<Owed> owed_;
};

}  // namespace sentrel
