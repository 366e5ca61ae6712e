#include "monitor/AlertDispatcher.h"

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

bool AlertDispatcher::Send(int n) { return client_.SendAlert(openId_(), DrawAlertNumber(random_), n); }

void AlertDispatcher::RaiseAlert(int n) {
    if (Send(n)) return;
    const Owed owed{n, clock_.Now()};
    const auto after =
        std::upper_bound(owed_.begin(), owed_.end(), n, [](int area, const Owed& entry) { return area < entry.area; });
    owed_.insert(after, owed);
}

void AlertDispatcher::RetryOwed() {
    for (auto entry = owed_.begin(); entry != owed_.end();) {
        if (clock_.Now() - entry->lastAttempt < kRetryInterval) {
            ++entry;
        } else if (Send(entry->area)) {
            entry = owed_.erase(entry);
        } else {
            entry->lastAttempt = clock_.Now();
            ++entry;
        }
    }
}

std::vector<int> AlertDispatcher::OwedAreas() const {
    std::vector<int> areas;
    for (const Owed& entry : owed_) areas.push_back(entry.area);
    return areas;
}

}  // namespace sentrel
