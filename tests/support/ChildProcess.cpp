#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace sentrel::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(inPipe[0], STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        execv(args[0], args.data());
        _exit(127);
    }
    close(inPipe[0]);
    input_ = inPipe[1];
    close(outPipe[1]);
    close(errPipe[1]);
    outReader_ = std::thread([this, fd = outPipe[0]] { ReadLines(fd, Stream::Out); });
    errReader_ = std::thread([this, fd = errPipe[0]] { ReadLines(fd, Stream::Err); });
}

ChildProcess::~ChildProcess() {
    close(input_);
    if (!exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    outReader_.join();
    errReader_.join();
}

bool ChildProcess::Send(const std::string& line) {
    // A helper that has gone must fail the test, not end it.
    signal(SIGPIPE, SIG_IGN);
    const std::string text = line + "\n";
    return write(input_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void ChildProcess::ReadLines(int fd, Stream stream) {
    std::string pending;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(fd, buffer, sizeof buffer)) > 0) {
        pending.append(buffer, static_cast<std::size_t>(count));
        std::size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            // Windows programs (under Wine) end their lines with CR LF.
            const std::size_t length = end > 0 && pending[end - 1] == '\r' ? end - 1 : end;
            {
                const std::lock_guard lock(mutex_);
                (stream == Stream::Out ? out_ : err_).push_back(pending.substr(0, length));
            }
            changed_.notify_all();
            pending.erase(0, end + 1);
        }
    }
    close(fd);
}

std::optional<std::string> ChildProcess::WaitForLine(Stream stream, const LineTest& test,
                                                     std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const auto& lines = stream == Stream::Out ? out_ : err_;
    std::optional<std::string> found;
    changed_.wait_for(lock, timeout, [&] {
        const auto line = std::ranges::find_if(lines, test);
        if (line != lines.end()) found = *line;
        return found.has_value();
    });
    return found;
}

std::vector<std::string> ChildProcess::Lines(Stream stream) const {
    const std::lock_guard lock(mutex_);
    return stream == Stream::Out ? out_ : err_;
}

bool ChildProcess::Running() {
    int status = 0;
    if (!exited_ && waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    }
    return !exited_;
}

}  // namespace sentrel::testing
