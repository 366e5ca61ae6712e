#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "relay/outbox/ForwardTarget.h"
#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// What one target is owed, handed over a turn at a time, its senders taking
// turns at it and each sender's oldest first. While the target fails, its
// next turn waits a back-off that doubles from kFirstRetry up to
// kLongestRetry, its later alerts waiting behind; when it fails, what it is
// owed for alerts kGiveUpAfter old is given up. A delivery is marked done
// only after the target took it, so a crash at any point means it is made
// again: delivery is at least once. Whoever takes turns must take one at a
// time.
class DeliveryLane {
public:
    static constexpr std::chrono::milliseconds kFirstRetry = std::chrono::seconds(2);
    static constexpr std::chrono::milliseconds kLongestRetry = std::chrono::minutes(10);
    static constexpr std::chrono::milliseconds kGiveUpAfter = std::chrono::hours(24);

    // The text that ends every message to the target.
    using Footer = std::function<std::string(const std::string& target)>;

    // commandLog: where a command target's output goes. The footer must
    // outlive the lane.
    DeliveryLane(ServiceStore& store, std::string target, const std::string& commandLog, const Footer& footer);

    enum class Turn { AllDelivered, MoreOwed, Failed };
    // Delivers a batch of what is owed, up to the first failure; stops early
    // once `stopping` is set, saying more is owed.
    Turn TakeTurn(const std::atomic<bool>& stopping);
    // After a failed turn: the wait before the next.
    std::chrono::milliseconds RetryIn() const { return Backoff(failures_); }

    // The wait after `failures` failed tries in a row.
    static std::chrono::milliseconds Backoff(int failures);

private:
    ServiceStore& store_;
    const std::string written_;
    const std::optional<ForwardTarget> target_;
    const std::string& commandLog_;
    const Footer& footer_;
    int failures_ = 0;
    // Whose alert was delivered last: the next sender's turn comes next.
    std::string lastSender_;
};

}  // namespace sentrel::service
