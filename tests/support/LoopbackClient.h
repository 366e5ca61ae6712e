#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace sentrel::testing {

// A TCP connection from the loopback address of the caller's choice
// (127.0.0.2, 127.0.0.3 ... stand in for other machines); or, adopted, the
// end of one that a test's own server accepted.
class LoopbackClient {
public:
    struct Reply {
        int status = 0;
        std::string head;
        std::string body;
    };

    explicit LoopbackClient(int port, const std::string& from = "127.0.0.1");
    static LoopbackClient Adopt(int connectedSocket);
    ~LoopbackClient();
    LoopbackClient(LoopbackClient&& other) noexcept;
    LoopbackClient& operator=(LoopbackClient&&) = delete;

    int Fd() const { return fd_; }
    // False once the peer takes no more (or, with wait false, would block).
    bool Send(std::string_view data, bool wait = true);
    // The next message whole (its body as long as Content-Length says), or
    // std::nullopt when none came whole within the limit.
    std::optional<Reply> Receive(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // What the peer sent meanwhile is dropped.
    bool ClosedWithin(std::chrono::milliseconds limit);
    // Whether it ended with a reset rather than in order.
    bool WasReset() const { return reset_; }

private:
    LoopbackClient() = default;
    bool ReadMore(std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    bool closed_ = false;
    bool reset_ = false;
    std::string received_;
};

}  // namespace sentrel::testing
