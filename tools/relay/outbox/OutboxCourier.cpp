#include "relay/outbox/OutboxCourier.h"

#include "relay/outbox/ForwardTarget.h"

namespace sentrel::service {

OutboxCourier::OutboxCourier(ServiceStore& store, const std::vector<std::string>& targets,
                             const std::string& commandLog) {
    std::vector<std::string> served = store.OwedTargets();
    for (const std::string& target : targets) AddOnce(served, target);
    for (const std::string& target : served)
        lanes_.push_back(std::make_unique<DeliveryLane>(store, target, commandLog));
}

void OutboxCourier::Wake() {
    for (const auto& lane : lanes_) lane->Wake();
}

}  // namespace sentrel::service
