#include "support/MisbehavingServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "support/Waiting.h"

namespace sentrel::testing {

using namespace std::chrono_literals;

MisbehavingServer::MisbehavingServer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] {
        while (!stopping_) {
            pollfd ready{listener_, POLLIN, 0};
            const int connection = poll(&ready, 1, 100) > 0 ? accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
            if (connection < 0) continue;
            connections_.emplace_back([this, connection] {
                // Read whole before any answer, as servers do: a close with
                // the body unread would reset the connection, and the client
                // might lose the reply.
                LoopbackClient peer = LoopbackClient::Adopt(connection);
                const auto whole = peer.Receive(60s);
                const std::string request = whole ? whole->head + whole->body : "";
                {
                    const std::lock_guard lock(mutex_);
                    requests_.push_back(request);
                }
                behaviour_(peer, request);
            });
        }
    });
}

MisbehavingServer::~MisbehavingServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    close(listener_);
    for (std::thread& connection : connections_) connection.join();
}

std::vector<std::string> MisbehavingServer::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

bool MisbehavingServer::Received(const std::string& text, std::chrono::milliseconds timeout) const {
    return WaitFor([&] { return std::ranges::any_of(Requests(), Containing(text)); }, timeout);
}

void MisbehavingServer::Answer(LoopbackClient& peer, int status, const std::string& body) {
    peer.Send("HTTP/1.1 " + std::to_string(status) + " Whatever\r\nContent-Length: " + std::to_string(body.size()) +
              "\r\nConnection: close\r\n\r\n" + body);
}

MisbehavingServer::Behaviour MisbehavingServer::Respond(int status, const std::string& body) {
    return [status, body](LoopbackClient& peer, const std::string&) { Answer(peer, status, body); };
}

MisbehavingServer::Behaviour MisbehavingServer::RespondWithBodyOf(std::size_t bytes, bool announceLength) {
    return [bytes, announceLength](LoopbackClient& peer, const std::string&) {
        const std::string length = announceLength ? "Content-Length: " + std::to_string(bytes) + "\r\n" : "";
        peer.Send("HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n" + std::string(bytes, 'x'));
    };
}

MisbehavingServer::Behaviour MisbehavingServer::NeverAnswer() {
    return [](LoopbackClient& peer, const std::string&) { peer.ClosedWithin(60s); };
}

MisbehavingServer::Behaviour MisbehavingServer::Reset() {
    return [](LoopbackClient& peer, const std::string&) {
        const linger abort{1, 0};
        setsockopt(peer.Fd(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    };
}

}  // namespace sentrel::testing
