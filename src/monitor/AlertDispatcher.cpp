#include "monitor/AlertDispatcher.h"
#include "log/ToolLog.h"

#include <algorithm>
#include <cmath>

namespace sentrel {

int DrawAlertNumber(RandomSource& random) {
    const double u = random.NextUnit();
    return static_cast<int>(std::floor(u * 10000.0 + 11111.0));
}

AlertDispatcher::AlertDispatcher(ServiceClient& client, RandomSource& random, Clock& clock,
                                 std::function<std::string()> openId)
    : client_(client), random_(random), clock_(clock), openId_(std::move(openId)) {}

ServiceClient::Delivery AlertDispatcher::Send(int n) {
    const ServiceClient::Delivery delivery = client_.SendAlert(openId_(), DrawAlertNumber(random_), n);
    if (delivery == ServiceClient::Delivery::Refused) {
        Say("the service refused the alert for area " + std::to_string(n) + "; it is not sent again");
    }
    return delivery;
}

void AlertDispatcher::RaiseAlert(int n) {
    const ServiceClient::Delivery delivery = Send(n);
    if (delivery == ServiceClient::Delivery::Accepted || delivery == ServiceClient::Delivery::Refused) return;
    const Owed owed{n, clock_.Now()};
    const auto after =
        std::upper_bound(owed_.begin(), owed_.end(), n, [](int area, const Owed& entry) { return area < entry.area; });
    owed_.insert(after, owed);
}

void AlertDispatcher::RetryOwed() {
    // Handlers never run inside one another, so nothing else touches the
    // list while a request of this round is out.
    const auto due = [this](const Owed& entry) { return clock_.Now() - entry.lastAttempt >= kRetryInterval; };
    for (auto entry = owed_.begin(); entry != owed_.end();) {
        if (!due(*entry)) {
            ++entry;
            continue;
        }
        const ServiceClient::Delivery delivery = Send(entry->area);
        if (delivery == ServiceClient::Delivery::Accepted || delivery == ServiceClient::Delivery::Refused) {
            entry = owed_.erase(entry);
            continue;
        }
        entry->lastAttempt = clock_.Now();
        if (delivery == ServiceClient::Delivery::NoReply) {
            for (Owed& other : owed_) {
                if (due(other)) other.lastAttempt = clock_.Now();
            }
            return;
        }
        ++entry;
    }
}

std::vector<int> AlertDispatcher::OwedAreas() const {
    std::vector<int> areas;
    for (const Owed& entry : owed_) areas.push_back(entry.area);
    return areas;
}

}  // namespace sentrel
