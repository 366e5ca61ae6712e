#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace sentrel {

// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C in the terminal, the terminal
// closing) end the tool the way closing its window does, on the UI thread:
// a signal handler may only write to a pipe, which the event loop watches.
// Without a pipe the signals keep their default action, which ends the tool
// at once without signing off; standard error says so. One lives at a time.
class EndSignals : public QObject {
public:
    explicit EndSignals(std::function<void()> end);
    ~EndSignals() override;

private:
    std::function<void()> end_;
    int readEnd_ = -1, writeEnd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace sentrel
