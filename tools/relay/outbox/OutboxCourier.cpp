#include "relay/outbox/OutboxCourier.h"

#include "relay/outbox/ForwardTarget.h"

namespace sentrel::service {

OutboxCourier::OutboxCourier(ServiceStore& store, const std::vector<std::string>& targets,
                             const std::string& commandLog, Footer footer)
    : store_(store), commandLog_(commandLog), footer_(std::move(footer)) {
    std::vector<std::string> served = store.OwedTargets();
    for (const std::string& target : targets) AddOnce(served, target);
    Wake(served);
}

void OutboxCourier::Wake(const std::vector<std::string>& targets) {
    const std::lock_guard lock(mutex_);
    for (const std::string& target : targets) {
        auto& lane = lanes_[target];
        if (!lane) lane = std::make_unique<DeliveryLane>(store_, target, commandLog_, footer_(target));
        lane->Wake();
    }
}

}  // namespace sentrel::service
