#pragma once

#include <mutex>
#include <string>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// The line that ends every message to a phone bound at sign-in: where its
// person stops the alerts. A phone on the LAN gets a link it can open; with
// the page on loopback alone, which no phone can open, the line says to fill
// the binding's id into the page on the computer the service runs on. The
// owner's forwards get no line: the owner set them up.
class StopLine {
public:
    explicit StopLine(ServiceStore& store) : store_(store) {}

    // Known once the service listens: where a phone on the LAN opens the
    // page, empty when none can.
    void SetPage(std::string phonePage);
    std::string For(const std::string& target);

private:
    ServiceStore& store_;
    std::mutex mutex_;
    std::string phonePage_;
};

}  // namespace sentrel::service
