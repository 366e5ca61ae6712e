#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "ServiceStore.h"

namespace sentrel::service {

// One JSON line per accepted alert, on standard output and, when a path is
// given, appended to a log file. Each line is flushed at once so a reader
// following the output sees the alert the moment it is accepted.
class AlertJournal {
public:
    // Throws std::runtime_error when the log file cannot be opened.
    explicit AlertJournal(const std::string& logPath);

    void Record(const RecordedAlert& alert);

    static std::string JsonLine(const RecordedAlert& alert);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::mutex mutex_;
    std::unique_ptr<std::FILE, FileCloser> log_;
};

}  // namespace sentrel::service
