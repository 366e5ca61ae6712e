#include "relay/outbox/AlertCommand.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace sentrel::service {
namespace {

// What the command starts with besides its arguments and environment.
class SpawnSetup {
public:
    explicit SpawnSetup(int output) {
        posix_spawn_file_actions_init(&files_);
        posix_spawn_file_actions_addopen(&files_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&files_, output, 1);
        posix_spawn_file_actions_adddup2(&files_, output, 2);
        // Whatever any library opened without close-on-exec stays behind.
        posix_spawn_file_actions_addclosefrom_np(&files_, 3);
        posix_spawnattr_init(&attributes_);
        // Its own process group, so that a time-out ends what it started too.
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes_, 0);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&files_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawn_file_actions_t* Files() const { return &files_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t files_;
    posix_spawnattr_t attributes_;
};

}  // namespace

std::string CommandShell() { return "/bin/sh"; }

std::optional<std::string> RunAlertCommand(const std::string& command, const RecordedAlert& alert, std::FILE* output,
                                           std::chrono::milliseconds limit) {
    std::vector<std::string> environment = {"SENTREL_ALERT_ID=" + std::to_string(alert.id),
                                            "SENTREL_AREA=" + std::to_string(alert.alert.area),
                                            "SENTREL_TIME=" + alert.time, "SENTREL_OPENID=" + alert.alert.openId,
                                            "SENTREL_SJS=" + std::to_string(alert.alert.sjs)};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string_view(*entry).starts_with("SENTREL_")) continue;
        environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::string shell = "/bin/sh", flag = "-c", text = command;
    char* argv[] = {shell.data(), flag.data(), text.data(), nullptr};

    const SpawnSetup setup(::fileno(output));
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", setup.Files(), setup.Attributes(), argv, envp.data()) != 0) {
        return "the command could not be started";
    }

    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) break;
        // Without its status (a parent that ignores SIGCHLD has the system
        // reap it unseen) the command may have failed: never a delivery.
        if (ended < 0 && errno != EINTR)
            return std::string("how the command ended is unknown: ") + std::strerror(errno);
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return "the command ran out of time";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
    if (WIFEXITED(status)) return "the command exited with status " + std::to_string(WEXITSTATUS(status));
    return "the command was ended by signal " + std::to_string(WTERMSIG(status));
}

}  // namespace sentrel::service
