#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "relay/system/PrivateFiles.h"

namespace sentrel::service {
namespace {

[[noreturn]] void Refuse(const std::string& what, const std::string& path) {
    throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

PrivateFile Wrap(int fd, const char* mode, const std::string& path) {
    if (fd < 0) Refuse("open", path);
    PrivateFile file(::fdopen(fd, mode));
    if (!file) {
        ::close(fd);
        Refuse("open", path);
    }
    return file;
}

}  // namespace

PrivateFile AppendPrivately(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) Refuse("write", path);
    return Wrap(fd, "a", path);
}

void ReplacePrivately(const std::string& path, const std::string& text) {
    const std::string written = path + ".new";
    // One a crashed start left may be anyone's, with any mode.
    if (::unlink(written.c_str()) != 0 && errno != ENOENT) Refuse("replace", written);
    {
        const PrivateFile file =
            Wrap(::open(written.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600), "w", written);
        if (std::fputs(text.c_str(), file.get()) < 0 || std::fflush(file.get()) != 0) Refuse("write", written);
    }
    if (std::rename(written.c_str(), path.c_str()) != 0) Refuse("write", path);
}

std::string ReadOwnerOnly(const std::string& path) {
    const PrivateFile file = Wrap(::open(path.c_str(), O_RDONLY | O_CLOEXEC), "r", path);
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) != 0) Refuse("read", path);
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        throw std::runtime_error(path + " may be read or written by others (mode " + mode +
                                 "); it holds secrets, so only its owner may: chmod 600 " + path);
    }
    std::string text;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, count);
    if (std::ferror(file.get())) Refuse("read", path);
    return text;
}

}  // namespace sentrel::service
