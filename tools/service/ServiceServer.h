#pragma once

#include <httplib.h>

#include <optional>
#include <string>

#include "AlertDesk.h"
#include "AlertIntake.h"

namespace sentrel::service {

// Puts the desk on HTTP: every request goes to it, accepted alerts go to the
// intake, and every request gets one line on standard error, including
// those the HTTP layer refuses before routing (a request line too long, a
// malformed request, an unsupported method). Slow or stalled clients are cut
// off by time-outs, and at most kMaxConnections are served at once, so they
// cannot take every worker.
class ServiceServer {
public:
    static constexpr int kMaxConnections = 128;
    static constexpr int kTimeoutSeconds = 5;

    ServiceServer(AlertDesk& desk, AlertIntake& intake);

    // The port bound (useful when asked for port 0), or std::nullopt.
    std::optional<int> Bind(const std::string& address, int port);
    // Serves until the process ends; false when serving failed.
    bool Listen();

private:
    void Serve(const httplib::Request& request, httplib::Response& response);
    DeskReply Reply(const httplib::Request& request);

    AlertDesk& desk_;
    AlertIntake& intake_;
    httplib::Server server_;
    int listener_ = -1;
};

}  // namespace sentrel::service
