#include "app/HandlerGate.h"

namespace sentrel {

void HandlerGate::Run(std::function<void()> handler) {
    waiting_.push_back(std::move(handler));
    if (!busy_) Drain();
}

void HandlerGate::RunOnce(const std::string& key, std::function<void()> handler) {
    if (!waitingKeys_.insert(key).second) return;
    Run([this, key, handler = std::move(handler)] {
        waitingKeys_.erase(key);
        handler();
    });
}

void HandlerGate::Drain() {
    // Even a handler that throws must not leave the gate shut for good.
    struct Busy {
        explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
        ~Busy() { flag_ = false; }
        bool& flag_;
    } busy(busy_);
    while (!waiting_.empty()) {
        const std::function<void()> next = std::move(waiting_.front());
        waiting_.pop_front();
        next();
    }
}

}  // namespace sentrel
