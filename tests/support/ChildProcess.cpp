#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ext/stdio_filebuf.h>

#include <algorithm>
#include <istream>
#include <stdexcept>

namespace sentrel::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    // Standard input, output and error, each a pipe the child holds one end of.
    int pipes[3][2];
    for (int(&ends)[2] : pipes) {
        if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
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
        for (int fd = 0; fd < 3; ++fd) dup2(pipes[fd][fd == 0 ? 0 : 1], fd);
        execv(args[0], args.data());
        _exit(127);
    }
    for (int fd = 0; fd < 3; ++fd) close(pipes[fd][fd == 0 ? 0 : 1]);
    input_ = pipes[0][1];
    outReader_ = std::thread([this, fd = pipes[1][0]] { ReadLines(fd, Stream::Out); });
    errReader_ = std::thread([this, fd = pipes[2][0]] { ReadLines(fd, Stream::Err); });
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
    __gnu_cxx::stdio_filebuf<char> pipe(fd, std::ios::in);
    std::istream in(&pipe);
    for (std::string line; std::getline(in, line);) {
        // Windows programs (under Wine) end their lines with CR LF.
        if (line.ends_with('\r')) line.pop_back();
        {
            const std::lock_guard lock(mutex_);
            (stream == Stream::Out ? out_ : err_).push_back(line);
        }
        changed_.notify_all();
    }
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
