#include "support/LoopbackClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace sentrel::testing {

using Clock = std::chrono::steady_clock;

LoopbackClient::LoopbackClient(int port, const std::string& from) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{}, remote{};
    local.sin_family = remote.sin_family = AF_INET;
    ::inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
                     ::connect(fd_, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0)) {
        ::close(std::exchange(fd_, -1));
    }
}

LoopbackClient LoopbackClient::Adopt(int connectedSocket) {
    LoopbackClient adopted;
    adopted.fd_ = connectedSocket;
    return adopted;
}

LoopbackClient::~LoopbackClient() {
    if (fd_ >= 0) ::close(fd_);
}

LoopbackClient::LoopbackClient(LoopbackClient&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      closed_(other.closed_),
      reset_(other.reset_),
      received_(std::move(other.received_)) {}

bool LoopbackClient::Send(std::string_view data, bool wait) {
    while (!data.empty()) {
        const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL | (wait ? 0 : MSG_DONTWAIT));
        if (sent <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool LoopbackClient::ReadMore(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{fd_, POLLIN, 0};
    if (closed_ || ::poll(&ready, 1, static_cast<int>(std::max<decltype(left)>(left, 0))) != 1) return false;
    char buffer[16 * 1024];
    const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
    closed_ = count <= 0;
    reset_ = count < 0;
    if (count > 0) received_.append(buffer, static_cast<std::size_t>(count));
    return count > 0;
}

std::optional<LoopbackClient::Reply> LoopbackClient::Receive(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::size_t end;
    while ((end = received_.find("\r\n\r\n")) == std::string::npos) {
        if (!ReadMore(deadline)) return std::nullopt;
    }
    Reply reply{std::atoi(received_.c_str() + 9), received_.substr(0, end + 4), {}};
    const std::size_t length = reply.head.find("Content-Length: ");
    const std::size_t bodyBytes = length == std::string::npos ? 0 : std::stoul(reply.head.substr(length + 16));
    while (received_.size() < end + 4 + bodyBytes) {
        if (!ReadMore(deadline)) return std::nullopt;
    }
    reply.body = received_.substr(end + 4, bodyBytes);
    received_.erase(0, end + 4 + bodyBytes);
    return reply;
}

bool LoopbackClient::ClosedWithin(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (ReadMore(deadline)) received_.clear();
    return closed_;
}

}  // namespace sentrel::testing
