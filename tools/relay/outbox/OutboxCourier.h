#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "relay/outbox/DeliveryLane.h"
#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

class OutboxCourier {
public:
    using Footer = std::function<std::string(const std::string& target)>;
    OutboxCourier(ServiceStore& store, const std::vector<std::string>& targets, const std::string& commandLog,
                  Footer footer);

    void Wake(const std::vector<std::string>& targets);

private:
    ServiceStore& store_;
    std::string commandLog_;
    Footer footer_;
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<DeliveryLane>> lanes_;
};

}  // namespace sentrel::service
