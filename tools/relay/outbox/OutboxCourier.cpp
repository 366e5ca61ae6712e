#include "relay/outbox/OutboxCourier.h"

#include <algorithm>
#include <exception>

#include "relay/system/RelayLog.h"

namespace sentrel::service {
namespace {

// How often the outbox is searched for what a missed wake-up left owed, and
// how long a lane rests after a turn that went wrong unexplained.
constexpr std::chrono::minutes kLongestIdle{1};

}  // namespace

OutboxCourier::OutboxCourier(ServiceStore& store, const std::vector<std::string>& targets,
                             const std::string& commandLog, Footer footer)
    : store_(store), commandLog_(commandLog), footer_(std::move(footer)), nextLook_(Clock::now() + kLongestIdle) {
    std::vector<std::string> served = store.OwedTargets();
    for (const std::string& target : targets) AddOnce(served, target);
    for (const std::string& target : served) Serve(target);
    for (int i = 0; i < kWorkers; ++i) workers_.emplace_back([this] { Work(); });
}

OutboxCourier::~OutboxCourier() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void OutboxCourier::Wake(const std::vector<std::string>& targets) {
    const std::lock_guard lock(mutex_);
    for (const std::string& target : targets) {
        const Lanes::iterator lane = lanes_.find(target);
        if (lane == lanes_.end()) {
            Serve(target);
        } else if (lane->second.state == Lane::State::Busy) {
            // Its turn may have looked before these were owed.
            lane->second.wokenWhileBusy = true;
        }
    }
}

void OutboxCourier::Serve(const std::string& target) {
    Queue(lanes_.try_emplace(target, Lane{DeliveryLane(store_, target, commandLog_, footer_)}).first);
}

void OutboxCourier::Queue(Lanes::iterator lane) {
    lane->second.state = Lane::State::Queued;
    lane->second.wokenWhileBusy = false;
    queued_.push_back(lane->first);
    changed_.notify_one();
}

void OutboxCourier::Rest(Lanes::iterator lane, std::chrono::milliseconds wait) {
    lane->second.state = Lane::State::Resting;
    resting_.emplace(Clock::now() + wait, lane->first);
    // A worker waiting may be set to look later than this rest ends.
    changed_.notify_one();
}

void OutboxCourier::EndRestsDue(Clock::time_point now) {
    while (!resting_.empty() && resting_.begin()->first <= now) {
        Queue(lanes_.find(resting_.begin()->second));
        resting_.erase(resting_.begin());
    }
}

void OutboxCourier::Work() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const Clock::time_point now = Clock::now();
        EndRestsDue(now);
        if (now >= nextLook_) {
            LookForOwed(lock);
            continue;
        }
        if (queued_.empty()) {
            // A copy: wait_until reads the time again after waking, when
            // another worker may have ended that rest and freed its entry.
            const Clock::time_point wakeAt =
                resting_.empty() ? nextLook_ : std::min(nextLook_, resting_.begin()->first);
            changed_.wait_until(lock, wakeAt);
            continue;
        }
        const Lanes::iterator lane = lanes_.find(queued_.front());
        queued_.pop_front();
        lane->second.state = Lane::State::Busy;
        lock.unlock();
        std::optional<DeliveryLane::Turn> turn;
        try {
            turn = lane->second.deliveries.TakeTurn(stopping_);
        } catch (const std::exception& error) {
            // Once the store has said its file is gone, nothing more can be
            // marked; that said once is enough.
            if (!store_.Lost()) Tell(std::string("outbox: ") + error.what());
        }
        lock.lock();
        Settle(lane, turn);
    }
}

void OutboxCourier::Settle(Lanes::iterator lane, std::optional<DeliveryLane::Turn> turn) {
    if (!turn) {
        if (store_.Lost()) {
            lanes_.erase(lane);
        } else {
            Rest(lane, kLongestIdle);
        }
    } else if (*turn == DeliveryLane::Turn::Failed) {
        Rest(lane, lane->second.deliveries.RetryIn());
    } else if (*turn == DeliveryLane::Turn::MoreOwed || lane->second.wokenWhileBusy) {
        // At the back: a long backlog makes way for the others between turns.
        Queue(lane);
    } else {
        // Nothing is kept for a target owed nothing, however many have been.
        lanes_.erase(lane);
    }
}

void OutboxCourier::LookForOwed(std::unique_lock<std::mutex>& lock) {
    nextLook_ = Clock::now() + kLongestIdle;
    lock.unlock();
    std::vector<std::string> owed;
    try {
        owed = store_.OwedTargets();
    } catch (const std::exception& error) {
        if (!store_.Lost()) Tell(std::string("outbox: ") + error.what());
    }
    lock.lock();
    for (const std::string& target : owed) {
        if (!lanes_.contains(target)) Serve(target);
    }
}

}  // namespace sentrel::service
