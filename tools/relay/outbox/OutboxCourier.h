#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "relay/outbox/DeliveryLane.h"
#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// Delivers the outbox to any number of targets on a few threads of its own:
// a phone bound per person must not cost a thread each. Each target with
// deliveries owed has a DeliveryLane, whose turns one worker at a time takes;
// a target that is slow or hangs holds up its own worker only, and the
// others go on with the rest.
class OutboxCourier {
public:
    using Footer = DeliveryLane::Footer;

    // libcurl looks a name up on a thread of its own: with a lookup under
    // way on every worker, the relay still keeps within 16 threads.
    static constexpr int kWorkers = 6;

    // Serves the targets given and every other one the outbox still owes
    // alerts to (named by an earlier start), so that a delivery still owed
    // goes where it was meant to. commandLog: where command targets' output
    // goes.
    OutboxCourier(ServiceStore& store, const std::vector<std::string>& targets, const std::string& commandLog,
                  Footer footer);
    ~OutboxCourier();
    OutboxCourier(const OutboxCourier&) = delete;
    OutboxCourier& operator=(const OutboxCourier&) = delete;

    // New deliveries are owed to these targets, known or not; one in its
    // back-off waits it out first.
    void Wake(const std::vector<std::string>& targets);

private:
    using Clock = std::chrono::steady_clock;
    struct Lane {
        DeliveryLane deliveries;
        enum class State { Queued, Busy, Resting } state = State::Queued;
        bool wokenWhileBusy = false;
    };

    using Lanes = std::map<std::string, Lane>;

    void Work();
    // The rest, with the lock held.
    void Queue(Lanes::iterator lane);
    void Serve(const std::string& target);
    void EndRestsDue(Clock::time_point now);
    void Rest(Lanes::iterator lane, std::chrono::milliseconds wait);
    // std::nullopt: the turn went wrong in a way the lane could not tell.
    void Settle(Lanes::iterator lane, std::optional<DeliveryLane::Turn> turn);
    void LookForOwed(std::unique_lock<std::mutex>& lock);

    ServiceStore& store_;
    const std::string commandLog_;
    const Footer footer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> stopping_{false};
    // Only the lanes with something owed, or in a back-off.
    Lanes lanes_;
    std::deque<std::string> queued_;
    std::multimap<Clock::time_point, std::string> resting_;
    Clock::time_point nextLook_;
    std::vector<std::thread> workers_;
};

}  // namespace sentrel::service
