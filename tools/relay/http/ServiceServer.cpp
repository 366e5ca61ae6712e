#include "relay/http/ServiceServer.h"

#include <boost/asio/write.hpp>
#include <memory>

#include "relay/http/HttpConnection.h"
#include "relay/http/HttpLimits.h"
#include "relay/http/PlatformSockets.h"
#include "relay/system/RelayLog.h"

namespace sentrel::service {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

// Out of file descriptors or memory, accepting again at once would spin.
constexpr std::chrono::milliseconds kAcceptPause{100};

constexpr char kTooManyConnections[] =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 21\r\n"
    "Cache-Control: no-store\r\nConnection: close\r\n\r\ntoo many connections\n";

// An IPv4 client of a dual-stack socket is the IPv4 address it has.
asio::ip::address Plain(const asio::ip::address& address) {
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    }
    return address;
}

}  // namespace

ServiceServer::ServiceServer(AlertDesk& desk, AlertIntake& intake, std::vector<std::string> allowHosts)
    : desk_(desk),
      intake_(intake),
      allowHosts_(std::move(allowHosts)),
      limits_(HttpLimits::kConnectionsPerAddress, HttpLimits::kConnections) {}

std::optional<int> ServiceServer::Bind(const std::string& address, int port) {
    boost::system::error_code error;
    tcp::resolver resolver(io_);
    const auto found =
        resolver.resolve(address, std::to_string(port), tcp::resolver::passive | tcp::resolver::numeric_service, error);
    if (error || found.empty()) return std::nullopt;
    const tcp::endpoint endpoint = found.begin()->endpoint();
    try {
        acceptor_.open(endpoint.protocol());
        KeepFromChildren(acceptor_.native_handle());
        AllowQuickRebind(acceptor_);
        acceptor_.bind(endpoint);
        acceptor_.listen(asio::socket_base::max_listen_connections);
    } catch (const boost::system::system_error&) {
        return std::nullopt;
    }
    const unsigned short bound = acceptor_.local_endpoint().port();
    router_.emplace(desk_, intake_, AllowedHosts(address, bound, allowHosts_));
    return bound;
}

bool ServiceServer::Listen() {
    Accept();
    // A handler that throws loses its own connection and no other: the
    // loop goes on where it stopped.
    for (;;) {
        try {
            io_.run();
            return false;
        } catch (const std::exception& error) {
            Tell(error.what());
        }
    }
}

void ServiceServer::Accept() {
    acceptor_.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
        if (!error) {
            Admit(std::move(socket));
            return Accept();
        }
        acceptPause_.expires_after(kAcceptPause);
        acceptPause_.async_wait([this](const boost::system::error_code&) { Accept(); });
    });
}

void ServiceServer::Admit(tcp::socket socket) {
    KeepFromChildren(socket.native_handle());
    boost::system::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    const tcp::endpoint local = error ? tcp::endpoint{} : socket.local_endpoint(error);
    // Gone again before it was taken.
    if (error) return;
    const ConnectionEnds ends{Plain(peer.address()), Plain(local.address())};
    std::optional<ConnectionLimits::Slot> slot = limits_.Admit(ends.client);
    if (!slot) {
        // Told at once, without a read: the reply fits any fresh socket's
        // send buffer, so this never waits.
        socket.non_blocking(true, error);
        asio::write(socket, asio::buffer(kTooManyConnections, sizeof kTooManyConnections - 1), error);
        socket.shutdown(tcp::socket::shutdown_send, error);
        log_.Refused(ends.client);
        return;
    }
    socket.set_option(tcp::no_delay(true), error);
    std::make_shared<HttpConnection>(std::move(socket), std::move(*slot), *router_, log_, ends)->Start();
}

}  // namespace sentrel::service
