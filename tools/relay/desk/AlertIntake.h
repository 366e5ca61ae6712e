#pragma once

#include <string>
#include <vector>

#include "relay/outbox/AlertJournal.h"
#include "relay/outbox/OutboxCourier.h"
#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// Takes an accepted alert in: records it with one outbox delivery per
// target (the owner's, and those its sender bound), all at once, before the
// tool hears that it was accepted; then journals it and wakes the courier.
class AlertIntake {
public:
    AlertIntake(ServiceStore& store, AlertJournal& journal, OutboxCourier& courier, std::vector<std::string> targets);

    // False when the alert could not be recorded; the tool must then hear a
    // failure, so that it sends the alert again.
    bool Take(const AcceptedAlert& alert);
    // Deliveries were owed to these targets elsewhere.
    void Owed(const std::vector<std::string>& targets);

private:
    ServiceStore& store_;
    AlertJournal& journal_;
    OutboxCourier& courier_;
    std::vector<std::string> targets_;
};

}  // namespace sentrel::service
