#include "platform/qt/EndSignals.h"
#include "log/ToolLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace sentrel {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The live EndSignals' write end, the one thing a handler can reach.
std::atomic<int> forwardTo{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read by a signal handler");

void Forward(int signal) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto written = ::write(forwardTo.load(), &byte, 1);
    errno = savedErrno;
}

}  // namespace

EndSignals::EndSignals(std::function<void()> end) : end_(std::move(end)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        Say(std::string("SIGTERM, SIGINT and SIGHUP cannot be caught (pipe2: ") + std::strerror(errno) +
            "); they end Sentrel without signing off");
        return;
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    forwardTo = writeEnd_;
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(readEnd_, &byte, 1) == 1) {
        }
        end_();
    });
    struct sigaction action {};
    action.sa_handler = Forward;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

EndSignals::~EndSignals() {
    if (writeEnd_ < 0) return;
    for (const int signal : kSignals) std::signal(signal, SIG_DFL);
    forwardTo = -1;
    notifier_.reset();
    ::close(readEnd_);
    ::close(writeEnd_);
}

}  // namespace sentrel
