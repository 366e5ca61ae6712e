#include "AlertCommand.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace sentrel::service {

AlertCommand::AlertCommand(std::string command) : command_(std::move(command)) {}

bool AlertCommand::Run(const AcceptedAlert& alert, const std::string& utcTime) const {
    std::vector<std::string> environment = {"SENTREL_AREA=" + std::to_string(alert.area), "SENTREL_TIME=" + utcTime,
                                            "SENTREL_OPENID=" + alert.openId,
                                            "SENTREL_SJS=" + std::to_string(alert.sjs)};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string_view(*entry).starts_with("SENTREL_")) continue;
        environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::string shell = "/bin/sh", flag = "-c", command = command_;
    char* argv[] = {shell.data(), flag.data(), command.data(), nullptr};

    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, envp.data()) != 0) return false;
    const auto reap = [pid] { waitpid(pid, nullptr, 0); };
    try {
        std::thread(reap).detach();
    } catch (...) {
        // No thread to spare: wait here rather than leave a zombie.
        reap();
    }
    return true;
}

}  // namespace sentrel::service
