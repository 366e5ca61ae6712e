#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// Hands one target what the outbox owes it, oldest first, on a thread of
// its own, so that a target that is slow, hangs or is down holds up no
// other. While the target fails, it is tried again after a back-off that
// doubles from kFirstRetry up to kLongestRetry, its later alerts waiting
// behind; when it fails, what it is owed for alerts kGiveUpAfter old is
// given up. A delivery is marked done only after the target took it, so a
// crash at any point means it is made again: delivery is at least once.
class DeliveryLane {
public:
    static constexpr std::chrono::milliseconds kFirstRetry = std::chrono::seconds(2);
    static constexpr std::chrono::milliseconds kLongestRetry = std::chrono::minutes(10);
    static constexpr std::chrono::milliseconds kGiveUpAfter = std::chrono::hours(24);

    // commandLog: where a command target's output goes.
    DeliveryLane(ServiceStore& store, std::string target, std::string commandLog, std::string footer = {});
    ~DeliveryLane();
    DeliveryLane(const DeliveryLane&) = delete;
    DeliveryLane& operator=(const DeliveryLane&) = delete;

    // New alerts may be owed; a target in its back-off waits it out first.
    void Wake();

    // The wait after `failures` failed tries in a row.
    static std::chrono::milliseconds Backoff(int failures);

private:
    using Clock = std::chrono::steady_clock;

    void Run();
    // Delivers what is owed until the target fails; then the wait before
    // the next try, else std::nullopt once nothing is owed.
    std::optional<std::chrono::milliseconds> DeliverOwed();
    // Waits until `until`, or until woken when wakeable; false once stopping.
    bool Rest(Clock::time_point until, bool wakeable);

    ServiceStore& store_;
    const std::string target_;
    const std::string commandLog_;
    const std::string footer_;
    int failures_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool woken_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace sentrel::service
