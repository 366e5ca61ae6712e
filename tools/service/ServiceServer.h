#pragma once

#include <httplib.h>

#include <optional>
#include <string>

#include "AlertCommand.h"
#include "AlertDesk.h"
#include "AlertJournal.h"

namespace sentrel::service {

// Puts the desk on HTTP: every GET or POST goes to it, accepted alerts go to
// the journal and the user's command, and every request gets one line on
// standard error, including those the HTTP layer refuses before routing
// (a request line too long, a malformed request, an unsupported method).
class ServiceServer {
public:
    ServiceServer(AlertDesk& desk, AlertJournal& journal, std::optional<AlertCommand> command);

    // The port bound (useful when asked for port 0), or std::nullopt.
    std::optional<int> Bind(const std::string& address, int port);
    // Serves until Stop(); false when serving failed.
    bool Listen();
    void Stop();

private:
    void Serve(const httplib::Request& request, httplib::Response& response);
    DeskReply Reply(const httplib::Request& request);

    AlertDesk& desk_;
    AlertJournal& journal_;
    std::optional<AlertCommand> command_;
    httplib::Server server_;
};

}  // namespace sentrel::service
