#include "platform/capture/RestoreTokenFile.h"
#include "log/ToolLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace sentrel {
namespace {

void SayNotKept(const std::string& path, const std::string& why) {
    Say("the screen-cast consent cannot be kept in " + path + " (" + why +
        "); the desktop will ask again at the next start");
}

bool WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

void KeepRestoreToken(const std::string& path, const std::string& token) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error) return SayNotKept(path, "creating its folder: " + error.message());
    const std::string beside = path + ".new";
    // A file left by an earlier start may be anyone's to read: made afresh.
    ::unlink(beside.c_str());
    const int fd = ::open(beside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return SayNotKept(path, "creating " + beside + ": " + std::strerror(errno));
    const std::string failed = [&]() -> std::string {
        if (!WriteAll(fd, token)) {
            const std::string why = std::string("writing: ") + std::strerror(errno);
            ::close(fd);
            return why;
        }
        if (::close(fd) != 0) return std::string("closing: ") + std::strerror(errno);
        if (::rename(beside.c_str(), path.c_str()) != 0) return "renaming " + beside + ": " + std::strerror(errno);
        return {};
    }();
    if (failed.empty()) return;
    ::unlink(beside.c_str());
    SayNotKept(path, failed);
}

}  // namespace sentrel
