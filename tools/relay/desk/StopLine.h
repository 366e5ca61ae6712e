#pragma once

#include <mutex>
#include <string>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// The line that ends every message to a phone bound at sign-in: where its
// person stops the alerts. A phone on the LAN gets a link it can open; with
// the page on loopback alone, the link is for the computer the service runs
// on, and says so. The owner's forwards get no line: the owner set them up.
class StopLine {
public:
    explicit StopLine(ServiceStore& store) : store_(store) {}

    // Known once the service listens. phonePage: where a phone on the LAN
    // opens the page, empty when none can; url: where the service listens.
    void SetPage(std::string phonePage, std::string url);
    std::string For(const std::string& target);

private:
    ServiceStore& store_;
    std::mutex mutex_;
    std::string phonePage_;
    std::string url_;
};

}  // namespace sentrel::service
