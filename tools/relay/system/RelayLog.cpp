#include "relay/system/RelayLog.h"

#include "log/LogLine.h"

namespace sentrel::service {

void Tell(std::string_view line) { WriteLogLine("sentrel-service", line); }

}  // namespace sentrel::service
