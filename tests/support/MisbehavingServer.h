#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/LoopbackClient.h"

namespace sentrel::testing {

// A raw HTTP server on loopback that answers however a test tells it to and
// records every request, head and body, byte for byte.
class MisbehavingServer {
public:
    // Called with the connection once the request has been read whole.
    using Behaviour = std::function<void(LoopbackClient& peer, const std::string& request)>;

    explicit MisbehavingServer(Behaviour behaviour);
    ~MisbehavingServer();

    int Port() const { return port_; }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Requests() const;
    // Whether a request containing text has come, or comes within timeout.
    bool Received(const std::string& text, std::chrono::milliseconds timeout) const;

    // A whole answer, after which the connection closes.
    static void Answer(LoopbackClient& peer, int status, const std::string& body);
    static Behaviour Respond(int status, const std::string& body);
    // A body of that many bytes, announced in Content-Length or, when not,
    // ended only by closing the connection.
    static Behaviour RespondWithBodyOf(std::size_t bytes, bool announceLength);
    // Holds the connection open without a word until the client gives up.
    static Behaviour NeverAnswer();
    static Behaviour Reset();

private:
    Behaviour behaviour_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace sentrel::testing
