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
    busy_ = true;
    while (!waiting_.empty()) {
        const std::function<void()> next = std::move(waiting_.front());
        waiting_.pop_front();
        next();
    }
    busy_ = false;
}

}  // namespace sentrel
