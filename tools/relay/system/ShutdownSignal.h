#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace sentrel::service {

// Told to stop (SIGTERM from systemd, SIGINT from a terminal; on Windows
// Ctrl+C, the console closed, or its ServiceStopEvent set), the service
// takes a last step and ends with status 0. Made before any other thread
// starts, so that those signals reach its own thread and no other.
class ShutdownSignal {
public:
    explicit ShutdownSignal(std::function<void()> lastStep);
    ~ShutdownSignal();
    ShutdownSignal(const ShutdownSignal&) = delete;
    ShutdownSignal& operator=(const ShutdownSignal&) = delete;

private:
    std::atomic<bool> leaving_{false};
    std::thread waiter_;
};

}  // namespace sentrel::service
