#include "support/MisbehavingServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>

namespace sentrel::testing {
namespace {

std::string ReadHead(int socket) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t count = recv(socket, buffer, sizeof buffer, 0);
        if (count <= 0) break;
        head.append(buffer, static_cast<std::size_t>(count));
    }
    return head;
}

std::string Response(int status, const std::string& extraHeaders, std::optional<std::size_t> length) {
    const std::string announced = length ? "Content-Length: " + std::to_string(*length) + "\r\n" : "";
    return "HTTP/1.1 " + std::to_string(status) + " Whatever\r\n" + announced + "Connection: close\r\n" + extraHeaders +
           "\r\n";
}

}  // namespace

void SendAll(int socket, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t count = send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) return;
        sent += static_cast<std::size_t>(count);
    }
}

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
    acceptor_ = std::thread([this] { Serve(); });
}

MisbehavingServer::~MisbehavingServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    close(listener_);
    for (std::thread& connection : connections_) connection.join();
}

void MisbehavingServer::Serve() {
    while (!stopping_) {
        pollfd ready{listener_, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        connections_.emplace_back([this, connection] {
            const std::string head = ReadHead(connection);
            {
                const std::lock_guard lock(mutex_);
                heads_.push_back(head);
            }
            behaviour_(connection, head);
            close(connection);
        });
    }
}

std::string MisbehavingServer::Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> MisbehavingServer::Heads() const {
    const std::lock_guard lock(mutex_);
    return heads_;
}

MisbehavingServer::Behaviour MisbehavingServer::Respond(int status, const std::string& body) {
    return
        [status, body](int socket, const std::string&) { SendAll(socket, Response(status, "", body.size()) + body); };
}

MisbehavingServer::Behaviour MisbehavingServer::RespondWithBodyOf(std::size_t bytes, bool announceLength) {
    return [bytes, announceLength](int socket, const std::string&) {
        SendAll(socket, Response(200, "", announceLength ? std::optional(bytes) : std::nullopt));
        const std::string chunk(64 * 1024, 'x');
        for (std::size_t sent = 0; sent < bytes; sent += chunk.size()) {
            SendAll(socket, chunk.substr(0, std::min(chunk.size(), bytes - sent)));
        }
    };
}

MisbehavingServer::Behaviour MisbehavingServer::NeverAnswer() {
    // Holds the connection open without a word until the client gives up.
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

MisbehavingServer::Behaviour MisbehavingServer::RedirectTo(const std::string& path) {
    return [path](int socket, const std::string&) { SendAll(socket, Response(302, "Location: " + path + "\r\n", 0)); };
}

}  // namespace sentrel::testing
