#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace sentrel::bench {

// An ntfy server on loopback that takes every POST and counts the topics it
// reached, all on one thread, so that the process it runs in has as many
// threads more as it has, and one only, however many topics are posted to.
// A POST to the hanging topic is read and never answered.
class FakeNtfyServer {
public:
    explicit FakeNtfyServer(std::string hangingTopic);
    ~FakeNtfyServer();
    FakeNtfyServer(const FakeNtfyServer&) = delete;
    FakeNtfyServer& operator=(const FakeNtfyServer&) = delete;

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // Topics that have had a POST, and POSTs that came to a topic again.
    int TopicsReached() const { return reached_; }
    int Repeats() const { return repeats_; }

private:
    void Serve();

    const std::string hangingTopic_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> reached_{0};
    std::atomic<int> repeats_{0};
    std::atomic<bool> stopping_{false};
    std::thread server_;
};

}  // namespace sentrel::bench
