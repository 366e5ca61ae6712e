#include <pthread.h>
#include <signal.h>

#include <cstdlib>

#include "relay/system/ShutdownSignal.h"

namespace sentrel::service {

ShutdownSignal::ShutdownSignal(std::function<void()> lastStep) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    // Every thread started after this inherits the block, so only the waiter
    // below takes these signals.
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    waiter_ = std::thread([this, stop, lastStep = std::move(lastStep)] {
        int taken = 0;
        sigwait(&stop, &taken);
        if (leaving_) return;
        lastStep();
        // The other threads may be mid-request; what they had not committed
        // is lost as on a crash, which the store and the tool allow for.
        std::_Exit(0);
    });
}

ShutdownSignal::~ShutdownSignal() {
    leaving_ = true;
    pthread_kill(waiter_.native_handle(), SIGTERM);
    waiter_.join();
}

}  // namespace sentrel::service
