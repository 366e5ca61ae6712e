#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sentrel::testing {

// A helper program whose output is read line by line; it dies with the test.
class ChildProcess {
public:
    enum class Stream { Out, Err };
    using LineTest = std::function<bool(const std::string&)>;

    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The first line (already read or still to come) that passes the test,
    // or std::nullopt when none came before the deadline.
    std::optional<std::string> WaitForLine(Stream stream, const LineTest& test,
                                           std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::vector<std::string> Lines(Stream stream) const;
    // Writes a line to its standard input; false when it no longer reads.
    bool Send(const std::string& line);
    pid_t Pid() const { return pid_; }
    bool Running();
    // The exit code once it has exited normally; -1 after a signal.
    int ExitCode() const { return exitCode_; }

private:
    void ReadLines(int fd, Stream stream);

    pid_t pid_ = -1;
    int input_ = -1;
    bool exited_ = false;
    int exitCode_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> out_, err_;
    std::thread outReader_, errReader_;
};

}  // namespace sentrel::testing
