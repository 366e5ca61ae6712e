#pragma once

#include <filesystem>
#include <string>

#include "LaunchedProgram.h"
#include "relay/system/ReadyRecord.h"

namespace sentrel::launcher {

// sentrel-service.exe started for the window, as packaging/sentrel-local
// starts it on Linux: on the given port, its output appended to
// service.log in the state folder, and forwarding to the targets in
// forwards.txt there when that file exists. Made once it has written its
// ready record (ready.json in the state folder), which says where it
// listens and gives a sign-in code of the launcher's own; throws
// std::runtime_error with what it said when it ends before that. Asked to
// stop when this goes, and ended if it will not.
class LocalService {
public:
    LocalService(const std::filesystem::path& program, int port, const std::filesystem::path& stateFolder);
    ~LocalService();
    LocalService(const LocalService&) = delete;
    LocalService& operator=(const LocalService&) = delete;

    const service::ReadyRecord& Ready() const { return ready_; }

private:
    Handle log_;
    std::filesystem::path readyFile_;
    std::unique_ptr<LaunchedProgram> program_;
    service::ReadyRecord ready_;
};

}  // namespace sentrel::launcher
