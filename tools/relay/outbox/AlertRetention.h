#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// Forgets alerts, with what was owed for them, once they are older than the
// age kept: at start and then every kEvery, on a thread of its own, kStep
// alerts a transaction, so that neither requests nor deliveries wait on it
// for long. However short the age kept, no alert goes before its deliveries
// would be given up: one still being retried stays.
class AlertRetention {
public:
    static constexpr int kStep = 500;
    static constexpr std::chrono::hours kEvery{1};

    AlertRetention(ServiceStore& store, std::chrono::hours kept);
    ~AlertRetention();
    AlertRetention(const AlertRetention&) = delete;
    AlertRetention& operator=(const AlertRetention&) = delete;

private:
    void Work();
    void Prune();

    ServiceStore& store_;
    const std::chrono::milliseconds kept_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

}  // namespace sentrel::service
