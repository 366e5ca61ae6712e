#pragma once

#include <memory>
#include <string>
#include <vector>

#include "relay/outbox/DeliveryLane.h"
#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// Delivers the outbox: one DeliveryLane per target, for the targets given
// and for every other one the outbox still owes alerts to (named by an
// earlier start), so that a delivery still owed goes where it was meant to.
class OutboxCourier {
public:
    // commandLog: where command targets' output goes.
    OutboxCourier(ServiceStore& store, const std::vector<std::string>& targets, const std::string& commandLog);

    // New deliveries are waiting.
    void Wake();

private:
    std::vector<std::unique_ptr<DeliveryLane>> lanes_;
};

}  // namespace sentrel::service
