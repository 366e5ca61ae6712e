#include "support/MisbehavingServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <stdexcept>

#include "support/Waiting.h"

namespace sentrel::testing {

void SendAll(int socket, const std::string& data) {
    for (std::size_t sent = 0; sent < data.size();) {
        const ssize_t count = send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) return;
        sent += static_cast<std::size_t>(count);
    }
}

namespace {

// Its head, and as much of its body as Content-Length announces: read
// before any answer, as servers do, since a close with the body unread
// would reset the connection and the client might lose the reply.
std::string WholeRequest(int socket) {
    std::string request;
    char buffer[4096];
    ssize_t count = 0;
    while (request.find("\r\n\r\n") == std::string::npos && (count = recv(socket, buffer, sizeof buffer, 0)) > 0) {
        request.append(buffer, static_cast<std::size_t>(count));
    }
    std::smatch length;
    std::regex_search(request, length, std::regex("Content-Length: (\\d+)", std::regex::icase));
    const std::size_t whole = request.find("\r\n\r\n") + 4 + (length.empty() ? 0 : std::stoul(length[1]));
    while (request.size() < whole && (count = recv(socket, buffer, sizeof buffer, 0)) > 0) {
        request.append(buffer, static_cast<std::size_t>(count));
    }
    return request;
}

}  // namespace

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
                const std::string request = WholeRequest(connection);
                {
                    const std::lock_guard lock(mutex_);
                    requests_.push_back(request);
                }
                behaviour_(connection, request);
                close(connection);
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

void MisbehavingServer::Answer(int socket, int status, const std::string& body) {
    SendAll(socket, "HTTP/1.1 " + std::to_string(status) + " Whatever\r\nContent-Length: " +
                        std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
}

MisbehavingServer::Behaviour MisbehavingServer::Respond(int status, const std::string& body) {
    return [status, body](int socket, const std::string&) { Answer(socket, status, body); };
}

MisbehavingServer::Behaviour MisbehavingServer::RespondWithBodyOf(std::size_t bytes, bool announceLength) {
    return [bytes, announceLength](int socket, const std::string&) {
        const std::string length = announceLength ? "Content-Length: " + std::to_string(bytes) + "\r\n" : "";
        SendAll(socket, "HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n");
        const std::string chunk(64 * 1024, 'x');
        for (std::size_t sent = 0; sent < bytes; sent += chunk.size()) {
            SendAll(socket, chunk.substr(0, std::min(chunk.size(), bytes - sent)));
        }
    };
}

MisbehavingServer::Behaviour MisbehavingServer::NeverAnswer() {
    return [](int socket, const std::string&) {
        char byte;
        while (recv(socket, &byte, 1, 0) > 0) {
        }
    };
}

MisbehavingServer::Behaviour MisbehavingServer::Reset() {
    return [](int socket, const std::string&) {
        const linger abort{1, 0};
        setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    };
}

}  // namespace sentrel::testing
