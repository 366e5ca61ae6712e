#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace sentrel::launcher {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// A program the launcher started, in a job that ends it, and whatever it
// started, once this goes: also when the launcher itself is killed.
class LaunchedProgram {
public:
    // commandLine: the program's quoted path and its arguments. output, when
    // given, takes its standard output and error, and no console is made;
    // it runs in `folder` when one is given. Throws std::runtime_error when
    // it cannot be started.
    explicit LaunchedProgram(std::wstring commandLine, HANDLE output = nullptr,
                             const std::filesystem::path& folder = {});

    DWORD Id() const { return id_; }
    // Waits at most `timeout` until it first waits for input: a window
    // program's window is shown by then.
    void WaitUntilIdle(std::chrono::milliseconds timeout) const;
    // True once it has exited, waiting at most `timeout` for that.
    bool Exited(std::chrono::milliseconds timeout = std::chrono::milliseconds(0)) const;

private:
    Handle job_;
    Handle process_;
    DWORD id_ = 0;
};

}  // namespace sentrel::launcher
