#pragma once

#include <filesystem>
#include <string>

#include "LaunchedProgram.h"

namespace sentrel::launcher {

// sentrel-service.exe started for the window, as packaging/sentrel-local
// starts it on Linux: on the given port, its output appended to
// service.log in the state folder, and forwarding to the targets in
// forwards.txt there when that file exists. Made once it has printed its
// verification code; throws std::runtime_error with what it said when it
// ends before that. Asked to stop when this goes, and ended if it will not.
class LocalService {
public:
    LocalService(const std::filesystem::path& program, int port, const std::filesystem::path& stateFolder);
    ~LocalService();
    LocalService(const LocalService&) = delete;
    LocalService& operator=(const LocalService&) = delete;

    const std::string& Code() const { return code_; }

private:
    Handle log_;
    std::unique_ptr<LaunchedProgram> program_;
    std::string code_;
};

}  // namespace sentrel::launcher
