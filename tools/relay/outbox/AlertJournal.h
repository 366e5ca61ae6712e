#pragma once

#include <mutex>
#include <string>

#include "relay/outbox/ServiceStore.h"
#include "relay/system/PrivateFiles.h"

namespace sentrel::service {

// One JSON line per accepted alert, on standard output and, when a path is
// given, appended to a log file (made readable by its owner only: the lines
// hold OpenIds). Each line is flushed at once so a reader following the
// output sees the alert the moment it is accepted.
class AlertJournal {
public:
    // Throws std::runtime_error when the log file cannot be opened.
    explicit AlertJournal(const std::string& logPath);

    void Record(const RecordedAlert& alert);

    static std::string JsonLine(const RecordedAlert& alert);

private:
    std::mutex mutex_;
    PrivateFile log_;
};

}  // namespace sentrel::service
