#include "FakeNtfyServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <optional>
#include <stdexcept>
#include <unordered_set>
#include <vector>

namespace sentrel::bench {
namespace {

constexpr char kAnswer[] =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n"
    "Connection: close\r\n\r\n{}";

// The topic of a whole POST ("POST /topic HTTP/1.1" and its body), or
// std::nullopt while more is to come.
std::optional<std::string> TopicOfWhole(const std::string& request) {
    const auto headEnd = request.find("\r\n\r\n");
    if (headEnd == std::string::npos) return std::nullopt;
    std::size_t length = 0;
    if (const auto field = request.find("Content-Length: "); field != std::string::npos && field < headEnd) {
        length = std::stoul(request.substr(field + 16));
    }
    if (request.size() < headEnd + 4 + length) return std::nullopt;
    const auto slash = request.find('/');
    return request.substr(slash + 1, request.find(' ', slash) - slash - 1);
}

}  // namespace

FakeNtfyServer::FakeNtfyServer(std::string hangingTopic) : hangingTopic_(std::move(hangingTopic)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, SOMAXCONN) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(address.sin_port);
    server_ = std::thread([this] { Serve(); });
}

FakeNtfyServer::~FakeNtfyServer() {
    stopping_ = true;
    server_.join();
    close(listener_);
}

void FakeNtfyServer::Serve() {
    struct Connection {
        int fd;
        std::string request;
        bool held = false;
    };
    std::vector<Connection> connections;
    std::unordered_set<std::string> reached;
    std::vector<pollfd> ready;
    while (!stopping_) {
        ready.assign(1, pollfd{listener_, POLLIN, 0});
        for (const Connection& connection : connections) ready.push_back({connection.fd, POLLIN, 0});
        if (poll(ready.data(), ready.size(), 20) <= 0) continue;
        for (int fd; (fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
            connections.push_back({fd, {}});
        }
        std::vector<Connection> open;
        for (std::size_t i = 1; i < ready.size(); ++i) {
            Connection& connection = connections[i - 1];
            char buffer[4096];
            // A held connection is read too, to see when its client gives up.
            const ssize_t got = ready[i].revents != 0 ? read(connection.fd, buffer, sizeof buffer) : -1;
            if (got == 0 || (got < 0 && ready[i].revents != 0 && errno != EAGAIN)) {
                close(connection.fd);
                continue;
            }
            if (got > 0 && !connection.held) connection.request.append(buffer, static_cast<std::size_t>(got));
            const std::optional<std::string> topic = connection.held ? std::nullopt : TopicOfWhole(connection.request);
            if (topic && *topic == hangingTopic_) {
                connection.held = true;
            } else if (topic) {
                reached.insert(*topic).second ? ++reached_ : ++repeats_;
                // Small enough for the socket's buffer: written whole.
                (void)!write(connection.fd, kAnswer, sizeof kAnswer - 1);
                close(connection.fd);
                continue;
            }
            open.push_back(std::move(connection));
        }
        // Those accepted after the poll come last and were not looked at.
        open.insert(open.end(), std::make_move_iterator(connections.begin() + static_cast<long>(ready.size() - 1)),
                    std::make_move_iterator(connections.end()));
        connections = std::move(open);
    }
    for (const Connection& connection : connections) close(connection.fd);
}

}  // namespace sentrel::bench
