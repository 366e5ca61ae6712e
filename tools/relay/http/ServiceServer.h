#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <optional>
#include <string>
#include <vector>

#include "relay/desk/AlertDesk.h"
#include "relay/desk/AlertIntake.h"
#include "relay/http/ConnectionLimits.h"
#include "relay/http/RequestLog.h"
#include "relay/http/RequestRouter.h"

namespace sentrel::service {

// Puts the desk on HTTP, on one io thread. The desk's work (SQLite, under
// its own lock) runs on that thread too: it takes well under a millisecond,
// and a pool would only queue on the desk's lock, while one thread keeps
// the connections' bookkeeping free of locks. Waiting clients, slow or
// idle, hold no thread at all (HttpConnection), so none can delay another.
class ServiceServer {
public:
    ServiceServer(AlertDesk& desk, AlertIntake& intake, std::vector<std::string> allowHosts);

    // The port bound (useful when asked for port 0), or std::nullopt.
    std::optional<int> Bind(const std::string& address, int port);
    // Serves until the process ends; false when serving failed.
    bool Listen();

private:
    void Accept();
    void Admit(boost::asio::ip::tcp::socket socket);

    AlertDesk& desk_;
    AlertIntake& intake_;
    std::vector<std::string> allowHosts_;
    // Before the io context, whose handlers hold the connections, and so
    // their slots and their router, until it goes.
    ConnectionLimits limits_;
    std::optional<RequestRouter> router_;
    boost::asio::io_context io_{1};
    boost::asio::ip::tcp::acceptor acceptor_{io_};
    boost::asio::steady_timer acceptPause_{io_};
    // After the io context, since its timer must go first; the connections
    // that the context's handlers hold never log on their way out.
    RequestLog log_{io_.get_executor()};
};

}  // namespace sentrel::service
