#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ServiceStore.h"

namespace sentrel::service {

// Hands the outbox's deliveries to their targets on a thread of its own,
// oldest due first. A failed delivery is tried again after a back-off that
// doubles from kFirstRetry up to kLongestRetry, until it succeeds or its
// alert is kGiveUpAfter old. Each delivery is marked done only after its
// target took it, so a crash at any point means it is made again: delivery
// is at least once.
class OutboxCourier {
public:
    static constexpr std::chrono::milliseconds kFirstRetry = std::chrono::seconds(2);
    static constexpr std::chrono::milliseconds kLongestRetry = std::chrono::minutes(10);
    static constexpr std::chrono::milliseconds kGiveUpAfter = std::chrono::hours(24);

    explicit OutboxCourier(ServiceStore& store);
    ~OutboxCourier();
    OutboxCourier(const OutboxCourier&) = delete;
    OutboxCourier& operator=(const OutboxCourier&) = delete;

    // New deliveries are waiting.
    void Wake();

    // The wait before the try after `attempts` failed ones.
    static std::chrono::milliseconds Backoff(int attempts);

private:
    void Run();
    void DeliverDue();

    ServiceStore& store_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace sentrel::service
