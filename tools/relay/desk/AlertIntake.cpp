#include "relay/desk/AlertIntake.h"

#include <chrono>
#include <exception>

#include "relay/system/RelayLog.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {

AlertIntake::AlertIntake(ServiceStore& store, AlertJournal& journal, OutboxCourier& courier,
                         std::vector<std::string> targets)
    : store_(store), journal_(journal), courier_(courier), targets_(std::move(targets)) {}

bool AlertIntake::Take(const AcceptedAlert& alert) {
    const auto now = std::chrono::system_clock::now();
    RecordedAlert recorded;
    try {
        recorded = store_.RecordAlert(alert, UtcTimestamp(now), EpochMilliseconds(now), targets_);
    } catch (const std::exception& error) {
        Tell(std::string("could not record an alert: ") + error.what());
        return false;
    }
    journal_.Record(recorded);
    if (!targets_.empty()) courier_.Wake(targets_);
    return true;
}

}  // namespace sentrel::service
