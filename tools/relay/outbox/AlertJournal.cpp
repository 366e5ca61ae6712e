#include "relay/outbox/AlertJournal.h"

#include <cstdio>

#include "relay/system/TextEscapes.h"

namespace sentrel::service {

AlertJournal::AlertJournal(const std::string& logPath) {
    if (!logPath.empty()) log_ = AppendPrivately(logPath);
}

std::string AlertJournal::JsonLine(const RecordedAlert& alert) {
    return "{\"id\":" + std::to_string(alert.id) + ",\"time\":\"" + JsonEscaped(alert.time) + "\",\"openid\":\"" +
           JsonEscaped(alert.alert.openId) + "\",\"area\":" + std::to_string(alert.alert.area) +
           ",\"sjs\":" + std::to_string(alert.alert.sjs) + "}\n";
}

void AlertJournal::Record(const RecordedAlert& alert) {
    const std::string line = JsonLine(alert);
    const std::lock_guard lock(mutex_);
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    if (log_) {
        std::fputs(line.c_str(), log_.get());
        std::fflush(log_.get());
    }
}

}  // namespace sentrel::service
