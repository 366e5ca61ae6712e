#include "relay/outbox/AlertRetention.h"

#include <algorithm>
#include <exception>
#include <string>

#include "relay/outbox/DeliveryLane.h"
#include "relay/system/RelayLog.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {

AlertRetention::AlertRetention(ServiceStore& store, std::chrono::hours kept)
    : store_(store), kept_(std::max<std::chrono::milliseconds>(kept, DeliveryLane::kGiveUpAfter)) {
    worker_ = std::thread([this] { Work(); });
}

AlertRetention::~AlertRetention() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    worker_.join();
}

void AlertRetention::Work() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        try {
            Prune();
        } catch (const std::exception& error) {
            if (!store_.Lost()) Tell(std::string("retention: ") + error.what());
        }
        lock.lock();
        stopped_.wait_for(lock, kEvery, [this] { return stopping_.load(); });
    }
}

void AlertRetention::Prune() {
    const std::int64_t before = EpochMilliseconds() - kept_.count();
    int pruned = kStep;
    while (!stopping_ && pruned == kStep) pruned = store_.PruneOlder(before, kStep);
}

}  // namespace sentrel::service
