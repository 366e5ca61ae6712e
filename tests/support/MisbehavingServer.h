#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sentrel::testing {

// A raw HTTP server on loopback that answers however a test tells it to and
// records every request head byte for byte.
class MisbehavingServer {
public:
    // Called with the connected socket once the request head has been read.
    using Behaviour = std::function<void(int socket, const std::string& head)>;

    explicit MisbehavingServer(Behaviour behaviour);
    ~MisbehavingServer();

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Heads() const;

    // The request's body, as much as its Content-Length announces.
    static std::string Body(int socket, const std::string& head);
    // A whole answer, after which the connection closes.
    static void Answer(int socket, int status, const std::string& body);
    // Reads the request's body first, as servers do: a close with the body
    // unread would reset the connection, and the client might lose the reply.
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
    std::vector<std::string> heads_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

// Sends all of data, ignoring a peer that went away.
void SendAll(int socket, const std::string& data);

}  // namespace sentrel::testing
