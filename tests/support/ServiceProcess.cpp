#include "support/ServiceProcess.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "relay/system/RelayLog.h"
#include "support/Waiting.h"

namespace sentrel::testing {

ServiceProcess::ServiceProcess(const std::vector<std::string>& extraArgs) {
    // Another build's service, to compare builds by the same tests.
    const char* other = std::getenv("SENTREL_SERVICE_UNDER_TEST");
    std::vector<std::string> argv = {other != nullptr && *other != '\0' ? other : SENTREL_SERVICE_BINARY, "--port",
                                     "0"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    if (std::find(argv.begin(), argv.end(), "--db") == argv.end()) {
        database_ = std::make_unique<TempDatabase>();
        argv.insert(argv.end(), {"--db", database_->Path()});
    }
    process_ = std::make_unique<ChildProcess>(argv);
    // What the service printed after the marker, once it has printed it.
    const auto printed = [this](std::string_view marker) {
        const auto line = process_->WaitForLine(ChildProcess::Stream::Err, Containing(marker));
        if (!line) throw std::runtime_error("sentrel-service did not start");
        return line->substr(line->find(marker) + marker.size());
    };
    url_ = printed(service::told::kListening);
    issuedCode_ = printed(service::told::kCode).substr(0, 6);
}

}  // namespace sentrel::testing
