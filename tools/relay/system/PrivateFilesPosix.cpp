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

std::string ModeText(const struct stat& info) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    return mode;
}

// The mode a file is created with does nothing for one that was already
// there, made by hand or by an older version with the user's umask.
void KeepFromOthers(const PrivateFile& file, const std::string& path) {
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) != 0) Refuse("write", path);
    // A device or pipe (/dev/null, a terminal) is where the user chose to
    // send the lines, not a file that keeps them.
    if (!S_ISREG(info.st_mode) || (info.st_mode & 077) == 0) return;
    if (info.st_uid != ::geteuid()) {
        throw std::runtime_error(path + " may be read or written by others (mode " + ModeText(info) +
                                 ") and belongs to another user; it would hold OpenIds, so give a file of your own");
    }
    if (::fchmod(::fileno(file.get()), info.st_mode & 0700) != 0) Refuse("keep others from", path);
}

}  // namespace

PrivateFile AppendPrivately(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) Refuse("write", path);
    PrivateFile file = Wrap(fd, "a", path);
    KeepFromOthers(file, path);
    return file;
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
    // Without O_NONBLOCK, opening a FIFO waits for a writer, and the start
    // would hang without a word.
    const PrivateFile file = Wrap(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC), "r", path);
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) != 0) Refuse("read", path);
    if (!S_ISREG(info.st_mode)) throw std::runtime_error(path + " is not a regular file");
    if ((info.st_mode & 077) != 0) {
        throw std::runtime_error(path + " may be read or written by others (mode " + ModeText(info) +
                                 "); it holds secrets, so only its owner may: chmod 600 " + path);
    }
    std::string text;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, count);
    if (std::ferror(file.get())) Refuse("read", path);
    return text;
}

}  // namespace sentrel::service
