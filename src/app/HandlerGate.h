#pragma once

#include <deque>
#include <functional>
#include <set>
#include <string>

namespace sentrel {

// Lets one handler run at a time. An event that arrives while a handler is
// busy (during a request to the service or a modal message box) runs when
// it has finished; a timer that fell due meanwhile runs once, however many
// periods passed.
class HandlerGate {
public:
    void Run(std::function<void()> handler);
    // As Run, but a key already waiting is not queued again.
    void RunOnce(const std::string& key, std::function<void()> handler);

private:
    void Drain();

    bool busy_ = false;
    std::deque<std::function<void()>> waiting_;
    std::set<std::string> waitingKeys_;
};

}  // namespace sentrel
